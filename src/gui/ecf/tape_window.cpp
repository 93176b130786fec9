#include "gui/ecf/tape_window.h"

#include "ecf/cp1252.h"
#include "ecf/tape_file.h"

#include <QFile>
#include <QFileSystemWatcher>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTimer>
#include <QVBoxLayout>

namespace balcora::gui {

namespace {

constexpr int kTapeColumns = 48;
constexpr int kPollMilliseconds = 1000;

// The tape is UTF-8; a tape written in the printer's code page still reads.
QString decode(const QByteArray& bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8(bytes);
    if (!utf8.hasError()) return text;
    return QString::fromStdString(ecf::from_cp1252(bytes.toStdString()));
}

}  // namespace

TapeWindow::TapeWindow(std::filesystem::path tape, QWidget* parent)
    : QWidget(parent, Qt::Window), tape_(std::move(tape)) {
    setWindowTitle("Bobina");
    setObjectName("tape_window");
    setAttribute(Qt::WA_DeleteOnClose);

    text_ = new QPlainTextEdit(this);
    text_->setObjectName("tape");
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    const int columns_width = text_->fontMetrics().horizontalAdvance(QString(kTapeColumns, 'M'));
    text_->setMinimumWidth(columns_width + 2 * text_->frameWidth() +
                           text_->document()->documentMargin() * 2 +
                           text_->verticalScrollBar()->sizeHint().width());

    path_ = new QLabel(this);
    path_->setObjectName("path");
    path_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    path_->setWordWrap(true);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addWidget(path_);
    resize(minimumSizeHint().width(), 640);

    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::fileChanged, this, &TapeWindow::refresh);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, this, &TapeWindow::refresh);
    // Watchers miss changes on some file systems (network shares); the timer
    // catches whatever they did not report.
    timer_ = new QTimer(this);
    timer_->setInterval(kPollMilliseconds);
    connect(timer_, &QTimer::timeout, this, &TapeWindow::refresh);
    timer_->start();

    refresh();
}

void TapeWindow::watch() {
    const QString file = QString::fromStdString(tape_.string());
    const QString folder = QString::fromStdString(tape_.parent_path().string());
    for (const QString& p : {file, folder}) {
        if (!watcher_->files().contains(p) && !watcher_->directories().contains(p) &&
            QFile::exists(p)) {
            watcher_->addPath(p);
        }
    }
}

void TapeWindow::refresh() {
    if (tape_.empty()) {
        path_->setText("Nenhuma impressora fiscal autorizada neste computador.");
        return;
    }
    watch();
    QFile file(QString::fromStdString(tape_.string()));
    if (!file.open(QIODevice::ReadOnly)) {
        path_->setText("Bobina ainda não impressa: " + file.fileName());
        return;
    }
    path_->setText(file.fileName());
    const qint64 size = file.size();
    if (size < read_) {
        // The printer cut its tape back: show it again from the start.
        text_->clear();
        read_ = 0;
        partial_line_.clear();
    }
    if (size == read_ || !file.seek(read_)) return;
    const QByteArray fresh = file.read(size - read_);
    read_ += fresh.size();
    partial_line_ += fresh;
    // Only whole lines: a line being written may end inside a character.
    const qsizetype end = partial_line_.lastIndexOf('\n');
    if (end < 0) return;
    const QByteArray lines = partial_line_.left(end + 1);
    partial_line_.remove(0, end + 1);

    QScrollBar* bar = text_->verticalScrollBar();
    const bool following = bar->value() >= bar->maximum();
    QTextCursor cursor(text_->document());
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(decode(lines).remove('\r'));
    if (following) bar->setValue(bar->maximum());
}

void open_tape_window(QWidget* parent) {
    static QPointer<TapeWindow> window;
    if (!window) {
        window = new TapeWindow(ecf::tape_file(), parent);
        window->show();
    }
    window->raise();
    window->activateWindow();
}

}  // namespace balcora::gui
