#pragma once

#include "fiscal/fiscal_menu.h"
#include "ui/screen_port.h"

#include <QDialog>

namespace balcora::gui {

// "Menu Fiscal" over a FiscalMenu: the two display lines ("line1", "line2")
// and the fifteen buttons in their order ("button1" ... "button15"), two to a
// row. Tab moves between the buttons, Enter or Space presses
// the current one, Esc closes as "&Fechar" does.
class FiscalMenuDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FiscalMenuDialog(fiscal::FiscalMenu& menu, QWidget* parent = nullptr);

  private:
    fiscal::FiscalMenu& menu_;
};

// Makes MENUFISCAL open the menu over the active window, and provides the
// views of its windows (readings, files, registers).
void provide_fiscal_windows(ui::ScreenPort& port);

}  // namespace balcora::gui
