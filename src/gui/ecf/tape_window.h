#pragma once

#include <QWidget>

#include <filesystem>

class QFileSystemWatcher;
class QLabel;
class QPlainTextEdit;
class QTimer;

namespace balcora::gui {

// "Bobina": the virtual printer's paper tape as it prints, 48 columns in a
// fixed-pitch font ("tape"), the file's path below ("path"). It follows the
// end while the operator has not scrolled up. The file may not exist yet,
// grow, or shrink (the printer cuts what a power failure left unfinished).
class TapeWindow : public QWidget {
    Q_OBJECT
  public:
    explicit TapeWindow(std::filesystem::path tape, QWidget* parent = nullptr);

    // Reads what is new in the file (also called by the watcher and the timer).
    void refresh();

  private:
    void watch();

    std::filesystem::path tape_;
    QPlainTextEdit* text_;
    QLabel* path_;
    QFileSystemWatcher* watcher_;
    QTimer* timer_;
    qint64 read_ = 0;          // bytes of the file already shown
    QByteArray partial_line_;  // an unfinished last line, shown once complete
};

// Opens the tape of the authorised printer from the ECF menu (one window at a
// time; asking again brings it forward).
void open_tape_window(QWidget* parent);

}  // namespace balcora::gui
