// The program's own start-up, ended as soon as the sign-in window shows (bench_startup runs it).
#include "app/application.h"
#include "quit_on_first_window.h"

namespace {
void quitWhenSignInShows()
{
    QuitOnFirstWindow::install(QStringLiteral("Авторизация"));
}
}
Q_COREAPP_STARTUP_FUNCTION(quitWhenSignInShows)

int main(int argc, char** argv)
{
    return runApplication(argc, argv);
}
