#include "toolkit/guarded_application.h"

#include "toolkit/error_guard.h"

bool GuardedApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}
