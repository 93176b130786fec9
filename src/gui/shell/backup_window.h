#pragma once

#include "backup/backup.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QProgressBar;

namespace balcora::gui {

// The backup's progress: the stage under way, a busy bar and what the dump
// tool reports. It holds the rest of the program (application-modal) but
// keeps drawing and answering while the dump runs, and cannot be closed
// until the run has ended; it closes itself then (the outcome is a message).
class BackupWindow : public QDialog, public shell::BackupProgressView {
    Q_OBJECT
  public:
    explicit BackupWindow(QWidget* parent = nullptr);

    void show(const std::string& caption) override;
    void step(const std::string& line) override;
    void output(const std::string& text) override;
    void idle() override;
    void finished(bool success) override;

  protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QLabel* step_;
    QProgressBar* bar_;
    QPlainTextEdit* output_;
    bool running_ = false;
};

// The window of every backup run (shell::run_backup).
void provide_backup_window(ui::ScreenPort& port);

}  // namespace balcora::gui
