#pragma once

#include <QApplication>

// The last line of defence: an error thrown by an event handler that was not wrapped in
// guarded() is shown here instead of crossing the event loop.
class GuardedApplication : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject* receiver, QEvent* event) override;
};
