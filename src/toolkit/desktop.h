#pragma once

#include <QString>
#include <functional>

// Hands a finished file to the desktop's program for its type; tests read the file instead.
namespace Desktop {
bool openFile(const QString& path);
using Opener = std::function<bool(const QString&)>;
void setOpener(Opener opener);   // empty restores the desktop
}
