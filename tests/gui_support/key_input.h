#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include <string>

namespace balcora::test {

// One key pressed and released on a widget, as the keyboard delivers it.
inline void key(QWidget* target, int code, const QString& text = {},
                Qt::KeyboardModifiers mods = Qt::NoModifier) {
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
