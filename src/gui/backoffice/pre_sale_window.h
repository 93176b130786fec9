#pragma once

#include "ui/screen_port.h"

#include <QDialog>

class QLabel;
class QTableWidget;

namespace balcora {
struct CheckoutState;
}

namespace balcora::backoffice {
class PreSaleScreen;
}

namespace balcora::gui {

// "Pré-Venda" over a PreSaleScreen: the list ("pre_vendas"), the status line
// ("status") and the buttons "&Atualizar (F5)" ("atualizar"), "&Emitir CF"
// ("emitir"), "&Cancela PV" ("cancelar") and "&Fechar" ("fechar"). Enter on
// a row issues its coupon; Esc closes.
class PreSaleWindow : public QDialog {
    Q_OBJECT
  public:
    explicit PreSaleWindow(backoffice::PreSaleScreen& screen, QWidget* parent = nullptr);

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void fill();
    std::int32_t chosen() const;
    void issue();
    void cancel();

    backoffice::PreSaleScreen& screen_;
    QTableWidget* table_;
    QLabel* status_;
};

// CONSULTAPV: the window over the coupon browse while the link is open.
void provide_pre_sale_window(ui::ScreenPort& port, CheckoutState& checkout);

}  // namespace balcora::gui
