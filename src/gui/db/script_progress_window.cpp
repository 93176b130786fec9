#include "gui/db/script_progress_window.h"

#include <QApplication>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace balcora::gui {

ScriptProgressWindow::ScriptProgressWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("script_progress_window");
    text_ = new QPlainTextEdit(this);
    text_->setObjectName("texto");
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    status_ = new QLabel(this);
    status_->setObjectName("status");
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    status_->setWordWrap(true);
    close_ = new QPushButton(tr("&Fechar"), this);
    close_->setObjectName("fechar");
    close_->setEnabled(false);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(status_, 1);
    bottom->addWidget(close_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(bottom);
    resize(720, 420);
}

void ScriptProgressWindow::show(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
    QDialog::show();
    QApplication::processEvents();
}

void ScriptProgressWindow::gathered_text(const std::string& text) {
    text_->setPlainText(QString::fromStdString(text));
    text_->moveCursor(QTextCursor::End);
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ScriptProgressWindow::status(const std::string& line) {
    status_->setText(QString::fromStdString(line));
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void ScriptProgressWindow::finished(bool success) {
    if (success) {
        close();
        return;
    }
    QPalette alert = status_->palette();
    alert.setColor(QPalette::WindowText, Qt::darkRed);
    status_->setPalette(alert);
    close_->setEnabled(true);
    close_->setDefault(true);
    close_->setFocus();
    // Shown without modality while the script ran; modality only takes
    // effect when the window is shown again.
    hide();
    exec();
}

}  // namespace balcora::gui
