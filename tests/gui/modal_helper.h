#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace balcora::test {

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

}  // namespace balcora::test
