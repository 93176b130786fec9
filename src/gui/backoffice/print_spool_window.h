#pragma once

#include "ui/screen_port.h"

#include <QDialog>

class QLabel;
class QTimer;

namespace balcora::backoffice {
class PrintSpoolScreen;
}

namespace balcora::gui {

// "Spool ECF" over a PrintSpoolScreen: the status line ("status") and
// "&Fechar" ("fechar"), the screen ticking on the window's timer. Modal: the
// coupon browse waits until it is closed.
class PrintSpoolWindow : public QDialog {
    Q_OBJECT
  public:
    explicit PrintSpoolWindow(backoffice::PrintSpoolScreen& screen, QWidget* parent = nullptr);
    void reject() override;

  private:
    backoffice::PrintSpoolScreen& screen_;
    QLabel* status_;
    QTimer* timer_;
};

// SPOOLECF: the window, once the link is open.
void provide_print_spool_window(ui::ScreenPort& port);

}  // namespace balcora::gui
