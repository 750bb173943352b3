#pragma once

// For the start-up benchmark: ends the process the moment the first window is exposed, with
// exit code 0 when that window's title begins with the expected text, 1 otherwise (a message
// box instead of the sign-in window).
#include <QCoreApplication>
#include <QEvent>
#include <QWindow>
#include <cstdlib>

class QuitOnFirstWindow : public QObject {
public:
    explicit QuitOnFirstWindow(const QString& title) : QObject(QCoreApplication::instance()), m_title(title) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose)
            if (auto* window = qobject_cast<QWindow*>(watched))
                std::_Exit(window->title().startsWith(m_title) ? 0 : 1);
        return false;
    }

    static void install(const QString& title)
    {
        QCoreApplication::instance()->installEventFilter(new QuitOnFirstWindow(title));
    }

private:
    QString m_title;
};
