#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <string>

namespace balcora::test {

// Lets the program's events run until `done` holds; whether it did before a
// limit meant only to end a test that would wait for ever. What a test checks
// after showing a window often arrives through the event queue, late on a
// loaded machine: wait for that state, never for a time.
inline bool wait_until(const std::function<bool()>& done, int limit_ms = 30000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > limit_ms) return false;
        QEventLoop loop;
        QTimer::singleShot(5, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

// The target's window made the active one, as it is when a person types in
// it: window shortcuts (Ctrl+A, Insert, Escape ...) reach only the active
// window, and a window just shown becomes active only once its activation
// event is delivered.
inline void activate(QWidget* target) {
    QWidget* window = target->window();
    if (!window->isVisible() || window->isActiveWindow()) return;
    window->activateWindow();
    wait_until([window] { return window->isActiveWindow(); }, 5000);
}

// One key pressed and released on a widget, as the keyboard delivers it.
inline void key(QWidget* target, int code, const QString& text = {},
                Qt::KeyboardModifiers mods = Qt::NoModifier) {
    activate(target);
    QKeyEvent press(QEvent::KeyPress, code, mods, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, code, mods, text);
    QApplication::sendEvent(target, &release);
}

// Digits typed one key at a time.
inline void type_digits(QWidget* target, const std::string& digits) {
    for (char c : digits) key(target, Qt::Key_0 + (c - '0'), QString(QChar(c)));
}

}  // namespace balcora::test
