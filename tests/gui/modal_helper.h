#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

#include <gtest/gtest.h>

namespace balcora::test {

// The child widget of that object name, a test failure when there is none.
template <class T>
T* child(QWidget& window, const char* name) {
    T* c = window.findChild<T*>(name);
    EXPECT_NE(c, nullptr) << name;
    return c;
}

// Runs `act` on the modal window of that object name as soon as it is shown,
// so a test can drive a dialog that blocks in exec(). Gives up quietly after
// five seconds (the test then fails on what it expected the dialog to do).
// Deleting the returned timer stops the watch.
inline QPointer<QTimer> when_modal(QString name, std::function<void(QWidget&)> act) {
    auto* timer = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, [timer, tries, name, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && modal->objectName() == name) {
            timer->stop();
            timer->deleteLater();
            act(*modal);
        } else if (++*tries > 500) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start(10);
    return timer;
}

// Drives the modal window the next exec() shows, by its object name; a
// window the drive leaves open is a failure and is closed so the test ends.
inline void on_next_window(const char* name, std::function<void(QDialog&)> drive) {
    QTimer::singleShot(0, [name, drive] {
        auto* d = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!d || d->objectName() != name) {
            ADD_FAILURE() << "expected window " << name;
            if (d) d->reject();
            return;
        }
        drive(*d);
        if (d->isVisible()) {
            ADD_FAILURE() << name << " left open";
            d->reject();
        }
    });
}

}  // namespace balcora::test
