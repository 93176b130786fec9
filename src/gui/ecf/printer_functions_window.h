#pragma once

#include "ecf/printer_functions_screen.h"

#include <QDialog>

#include <map>

class QCheckBox;
class QLabel;
class QPushButton;

namespace balcora {
struct CheckoutState;
}

namespace balcora::ui {
class ScreenPort;
}

namespace balcora::gui {

// "Funções Impressora Fiscal - ECF" over a PrinterFunctionsScreen: one button
// per function (object names in English: "open_day", "close_day", ...), the
// summer-time check box "horario_verao", the status fields "caixa", "marca",
// "verao" and "status". Ctrl+A shows the hidden functions.
class PrinterFunctionsWindow : public QDialog {
    Q_OBJECT
  public:
    explicit PrinterFunctionsWindow(ecf::PrinterFunctionsScreen& screen, QWidget* parent = nullptr);

    void refresh();

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    void reject() override;

  private:
    void act(ecf::PrinterFunctionsScreen::Control control);

    ecf::PrinterFunctionsScreen& screen_;
    std::map<ecf::PrinterFunctionsScreen::Control, QPushButton*> buttons_;
    QCheckBox* summer_;
    QLabel* point_of_sale_;
    QLabel* brand_;
    QLabel* summer_status_;
    QLabel* status_;
};

// FUNCOESMAQECF and TELA_SA_SU by name, the cash windows' views, and MENULOG
// for the window's "Log".
void provide_cash_day_windows(ui::ScreenPort& port, CheckoutState& checkout);

}  // namespace balcora::gui
