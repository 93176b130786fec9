#pragma once

#include "sale/payment_forms_validation.h"

#include <QDialog>

class QTableWidget;

namespace balcora {

// "Válida Forma de Pagamento", modal over the active window.
void VALIDAFORMAPAGAMENTO();

namespace gui {

// The eight payment forms ("formas", columns "Sistema" and "ECF") and the
// buttons "&Válidar" ("validar") and "&Fechar" ("fechar"). Esc closes.
class PaymentFormsWindow : public QDialog {
    Q_OBJECT
  public:
    explicit PaymentFormsWindow(QWidget* parent = nullptr);

    sale::PaymentFormsValidation& screen() { return screen_; }

  private:
    void validate();
    void fill();

    sale::PaymentFormsValidation screen_;
    QTableWidget* table_;
};

}  // namespace gui
}  // namespace balcora
