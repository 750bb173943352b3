// The least a Qt program does to show one window on the program's connection: opens the same
// connection and shows one widget, ended as soon as it shows (bench_startup runs it).
#include "core/connection_string.h"
#include "core/data_module.h"
#include "toolkit/connections.h"
#include "quit_on_first_window.h"

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QuitOnFirstWindow::install(QStringLiteral("floor"));
    openServerConnection(QLatin1String(TDataModule6::ConnectionName), connectionStringForArguments(app.arguments().mid(1)));
    QLabel window(QStringLiteral("Код доступа"));
    window.setWindowTitle(QStringLiteral("floor"));
    window.show();
    return app.exec();
}
