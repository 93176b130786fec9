#pragma once

#include "tef/tef_message_window.h"
#include "ui/screen_port.h"

#include <QDialog>

class QLabel;
class QPushButton;

namespace balcora::gui {

// The card-payment message window: one large line of text, "Fechar (Esc)"
// when the operator must read it, and "Fechar o programa" when only the
// manager can end the wait. Modal to the whole program while it shows, so
// nothing under it is pressed while the manager has the transaction; it
// cannot be closed while the flow goes on.
class TefMessageDialog : public QDialog, public tef::MessageView {
    Q_OBJECT
  public:
    TefMessageDialog(tef::MessageWindow& controller, QWidget* parent = nullptr);

    void show_text(const std::string& text, bool closable) override;
    void process_events() override;
    void wait_for_close() override;
    void offer_quit(bool on) override;
    void hide() override { QDialog::hide(); }

  protected:
    void reject() override;
    void closeEvent(QCloseEvent* event) override;

  private:
    tef::MessageWindow& controller_;
    QLabel* text_;
    QPushButton* close_;
    QPushButton* quit_;
    bool closable_ = false;
    bool closed_ = false;
};

// Provides the view of tef::MessageWindow.
void provide_tef_views(ui::ScreenPort& port);

}  // namespace balcora::gui
