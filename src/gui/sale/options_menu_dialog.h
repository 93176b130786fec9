#pragma once

#include "sale/options_menu.h"
#include "ui/screen_port.h"

#include <QDialog>

class QListWidget;

namespace balcora::gui {

// "Menu de Opções": the options one under the other with their digits; a
// digit, a click or Enter on a row chooses, Esc leaves without a choice.
class OptionsMenuDialog : public QDialog {
    Q_OBJECT
  public:
    OptionsMenuDialog(sale::OptionsMenu& menu, QWidget* parent = nullptr);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void choose(int row);

    sale::OptionsMenu& menu_;
    QListWidget* list_;
};

// Makes MENUOPCOES show this dialog over the active window.
void provide_options_menu(ui::ScreenPort& port);

}  // namespace balcora::gui
