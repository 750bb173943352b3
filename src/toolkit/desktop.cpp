#include "toolkit/desktop.h"

#include <QDesktopServices>
#include <QUrl>

namespace {
Desktop::Opener& opener()
{
    static Desktop::Opener instance;
    return instance;
}
}

bool Desktop::openFile(const QString& path)
{
    if (opener())
        return opener()(path);
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

void Desktop::setOpener(Opener o) { opener() = std::move(o); }
