#pragma once

#include "fiscal/buyer_sales_screen.h"
#include "gui/shell/screen_dialog.h"
#include "ui/screen_port.h"

class QLineEdit;

namespace balcora::gui {

// "Vendas Identificadas pelo CPF/CNPJ" over a BuyerSalesScreen. Fields
// "competencia" (mm/yyyy) and "cpf_cnpj"; buttons "gerar", "fechar". Enter
// moves on and generates from the last field; Esc closes.
class BuyerSalesWindow
    : public ScreenDialog<fiscal::BuyerSalesScreen, &fiscal::BuyerSalesScreen::close> {
    Q_OBJECT
  public:
    explicit BuyerSalesWindow(fiscal::BuyerSalesScreen& screen, QWidget* parent = nullptr);

  private:
    void generate();
    void mask_buyer();
    void show_screen();

    QLineEdit* competencia_;
    QLineEdit* cpf_cnpj_;
};

// VENDASCPFCNPJ, for the fiscal menu, and the view of its screen.
void provide_buyer_sales_window(ui::ScreenPort& port, QWidget* frame);

}  // namespace balcora::gui
