#include "gui/shell/backup_window.h"

#include "ui/screen_port.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QThread>
#include <QVBoxLayout>

namespace balcora::gui {

BackupWindow::BackupWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("backup_window");
    setWindowModality(Qt::ApplicationModal);
    step_ = new QLabel(this);
    step_->setObjectName("etapa");
    bar_ = new QProgressBar(this);
    bar_->setObjectName("andamento");
    bar_->setRange(0, 0);  // no end known in advance: a busy bar
    bar_->setTextVisible(false);
    output_ = new QPlainTextEdit(this);
    output_->setObjectName("saida");
    output_->setReadOnly(true);
    output_->setLineWrapMode(QPlainTextEdit::NoWrap);
    output_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(step_);
    layout->addWidget(bar_);
    layout->addWidget(output_, 1);
    resize(640, 360);
}

void BackupWindow::show(const std::string& caption) {
    setWindowTitle(QString::fromStdString(caption));
    running_ = true;
    QDialog::show();
    QApplication::processEvents();
}

void BackupWindow::step(const std::string& line) {
    step_->setText(QString::fromStdString(line));
    QApplication::processEvents();
}

void BackupWindow::output(const std::string& text) {
    // The dump tool's log of what it has saved, newest line in view.
    output_->setPlainText(QString::fromLocal8Bit(text.data(), static_cast<qsizetype>(text.size())));
    output_->moveCursor(QTextCursor::End);
}

void BackupWindow::idle() {
    QApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(15);
}

void BackupWindow::finished(bool) {
    running_ = false;
    close();
}

void BackupWindow::reject() {
    if (!running_) QDialog::reject();
}

void BackupWindow::closeEvent(QCloseEvent* event) {
    if (running_)
        event->ignore();
    else
        QDialog::closeEvent(event);
}

void provide_backup_window(ui::ScreenPort& port) {
    port.provide_view<shell::BackupRun>([](shell::BackupRun& run) {
        BackupWindow window(QApplication::activeWindow());
        run.execute(window);
    });
}

}  // namespace balcora::gui
