#pragma once

#include <QObject>
#include <type_traits>
#include <utility>

// The default error display: a stop box with the error's text.
void showError(const QString& text);

// Runs one event handler; an error it throws is shown and the handler ends there, so no
// exception ever crosses the event loop.
template <class F>
void guarded(F&& handler);

void showCurrentException();

template <class F>
void guarded(F&& handler)
{
    try {
        std::forward<F>(handler)();
    } catch (...) {
        showCurrentException();
    }
}

// connect() whose slot runs guarded. The slot may take the signal's arguments or none.
template <class Sender, class Signal, class Receiver, class Slot>
QMetaObject::Connection on(Sender* sender, Signal signal, Receiver* receiver, Slot slot)
{
    return QObject::connect(sender, signal, receiver, [receiver, slot](auto&&... args) {
        guarded([&] {
            if constexpr (std::is_invocable_v<Slot, Receiver*, decltype(args)...>)
                std::invoke(slot, receiver, std::forward<decltype(args)>(args)...);
            else
                std::invoke(slot, receiver);
        });
    });
}
