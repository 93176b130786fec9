#include "gui/qt_prompt_port.h"

#include "shell/button_texts.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace balcora::gui {

namespace {

QString qt_text(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).replace('|', '\n');
}

QMessageBox::Icon qt_icon(ui::Icon icon) {
    switch (icon) {
        case ui::Icon::kInformation:
            return QMessageBox::Information;
        case ui::Icon::kWarning:
            return QMessageBox::Warning;
        case ui::Icon::kError:
            return QMessageBox::Critical;
        case ui::Icon::kQuestion:
            return QMessageBox::Question;
        case ui::Icon::kNone:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

void QtPromptPort::message(std::string_view title, std::string_view text, ui::Icon icon) {
    QMessageBox box(qt_icon(icon), qt_text(title), qt_text(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    QPushButton* ok = box.addButton(QString::fromStdString(shell::standard_button_texts().ok),
                                    QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}

bool QtPromptPort::confirm(std::string_view title, std::string_view text) {
    QMessageBox box(QMessageBox::Question, qt_text(title), qt_text(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    const shell::ButtonTexts& texts = shell::standard_button_texts();
    QPushButton* yes = box.addButton(QString::fromStdString(texts.yes), QMessageBox::YesRole);
    QPushButton* no = box.addButton(QString::fromStdString(texts.no), QMessageBox::NoRole);
    // A question the operator answers with Enter by reflex must not do harm.
    box.setDefaultButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void QtPromptPort::beep() {
    QApplication::beep();
}

void QtPromptPort::busy(bool on) {
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

}  // namespace balcora::gui
