#pragma once

#include "sale/payment_screen.h"

#include <QDialog>

#include <map>
#include <string>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTableWidget;

namespace balcora {
struct CheckoutState;
}

namespace balcora::gui {

// "Finaliza Cupom Fiscal": the view of the payment screen. Two tabs,
// "Fechamento (F2)" and "Acrescimo/Desconto (F3)"; Enter accepts a field and
// moves on, F10 or "S" confirms the tab, "N" or Esc leaves, the keypad's
// decimal key types a comma.
class PaymentWindow : public QDialog {
    Q_OBJECT
  public:
    PaymentWindow(CheckoutState& checkout, std::string mode, QWidget* parent = nullptr);

    // Whether the screen opened (a coupon is open); otherwise it must not show.
    bool opened() const { return opened_; }
    sale::PaymentScreen& screen() { return screen_; }

    // Confirms the current tab, as F10 does.
    void confirm();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QWidget* build_closing_tab();
    QWidget* build_adjustment_tab();
    QLineEdit* field(const char* name, int width, Qt::Alignment align = Qt::AlignRight);
    bool accept_field(QWidget* w);
    void focus_next(QWidget* from);
    void go_to(const sale::PaymentOutcome& o);
    void choose_form(int index);
    void refresh();
    void show_finished(const std::string& text);

    sale::PaymentScreen screen_;
    bool opened_ = false;
    bool refreshing_ = false;
    QTabWidget* tabs_;
    // Fechamento
    QTableWidget* payments_;
    QLabel* received_;
    QLabel* to_receive_;
    QComboBox* form_;
    QLineEdit* amount_;
    QLabel* change_label_;
    QLabel* change_;
    QLineEdit* cheque_number_;
    QLineEdit* cheque_date_;
    QLineEdit* terms_[sale::kMaxInstalments];
    QLineEdit* due_date_;
    QLineEdit* client_code_;
    QLabel* client_name_;
    QPushButton* confirm_closing_;
    // Acrescimo/Desconto
    QLineEdit* subtotal_;
    QLabel* total_;
    QLineEdit* surcharge_percent_;
    QLineEdit* surcharge_;
    QLineEdit* discount_percent_;
    QLineEdit* discount_;
    QPushButton* confirm_adjustment_;
};

}  // namespace balcora::gui

namespace balcora {

// The payment screen of the open coupon, modal; 1 when something was
// registered. Reports to the caller through the checkout's trocotela and
// cf_aberto.
int FINALIZACUPOM(CheckoutState& checkout, std::string_view mode = {});

}  // namespace balcora
