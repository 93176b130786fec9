#pragma once

#include "db/script_progress.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QPushButton;

namespace balcora::gui {

// The progress of a schema script: the statement text being gathered and
// the status line. Closes itself when the script ran; after a failure it
// stays, showing the failing batch and the error, until the operator closes it.
class ScriptProgressWindow : public QDialog, public db::ScriptProgressView {
    Q_OBJECT
  public:
    explicit ScriptProgressWindow(QWidget* parent = nullptr);

    void show(const std::string& caption) override;
    void gathered_text(const std::string& text) override;
    void status(const std::string& line) override;
    void finished(bool success) override;

  private:
    QPlainTextEdit* text_;
    QLabel* status_;
    QPushButton* close_;
};

}  // namespace balcora::gui
