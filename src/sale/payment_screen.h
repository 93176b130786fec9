#pragma once

#include "globals/checkout_state.h"
#include "sale/card_functions.h"
#include "sale/payment_arithmetic.h"
#include "sale/payment_coupon.h"
#include "sale/payment_forms.h"
#include "util/day_number.h"
#include "util/fixed_point.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// FINALIZACUPOM: the payment screen of the open coupon, as plain C++. The
// view binds its fields to state(), hands every accepted field to the
// matching set_...() and moves the focus where an outcome says.
//
//     sale::PaymentScreen s("");            // or "Desc", "Acre", "DI", ...
//     if (!s.open()) return 0;              // "Cupom fiscal não está aberto!" shown
//     s.set_form("DI");
//     s.set_amount_text("50,00");
//     auto o = s.confirm_payment();         // F10 / "S" on "Fechamento (F2)"
//     if (o.close) { /* close the window */ }  else focus(o.focus);
//     return s.result();                    // 1 when something was registered
//
// Every write is one transaction ended by the printer's command; a refusal
// leaves database and printer as they were and the screen usable. Esc may
// leave at any time: registered payments stay, and the next call resumes
// with the balance.
namespace balcora::sale {

enum class PaymentField {
    kNone,
    kForm,
    kAmount,
    kChequeNumber,
    kChequeDate,
    kTerm,  // with PaymentOutcome::kTerm
    kDueDate,
    kClient,
    kSubtotal,  // the adjustment tab
    kSurchargePercent,
    kSurchargeValue,
    kDiscountPercent,
    kDiscountValue,
};

struct PaymentOutcome {
    PaymentField focus = PaymentField::kNone;
    int term = 0;        // 1..6 with PaymentField::kTerm
    bool close = false;  // the screen closes
};

enum class PaymentTab { kClosing, kAdjustment };

struct PaymentState {
    PaymentCoupon coupon;
    util::Money subtotal;  // the items' net
    util::Money received;  // sum of the payments
    util::Money balance;   // total - received
    std::vector<PaymentRow> payments;
    // The payment being entered.
    std::string form;
    util::Money amount;
    std::int32_t cheque_number = 0;
    util::DayNumber cheque_date = 0;
    Terms terms{};
    util::DayNumber due_date = 0;
    // The coupon's surcharge or discount, never both.
    util::Money surcharge_percent, surcharge;
    util::Money discount_percent, discount;
    std::int32_t client_id = 0;
    std::string client;
    // balance - amount: shown as "TROCO:" when <= 0, else "SALDO:".
    util::Money change_or_balance;
    bool amount_editable = true;
    bool cheque_fields = false;
    bool credit_fields = false;
    bool adjustment_tab = true;    // closed for good once payment began
    bool surcharge_fields = true;  // not in mode "Desc"
    bool discount_fields = true;   // not in mode "Acre"
    bool tef_active = false;
    bool tef_homologation = false;

    util::Money total() const { return subtotal + surcharge - discount; }
    std::string change_label() const {
        return change_or_balance.units() <= 0 ? "TROCO:" : "SALDO:";
    }
    util::Money change_shown() const {
        return change_or_balance.units() < 0 ? -change_or_balance : change_or_balance;
    }
};

class PaymentScreen {
  public:
    // Picks a client when the code typed matches none; nullopt when the
    // operator gave up.
    using ClientChooser = std::function<std::optional<std::int32_t>(std::string_view typed)>;
    // Shows "Venda Finalizada! ..." and waits for the operator.
    using FinishedNotice = std::function<void(const std::string& text)>;

    explicit PaymentScreen(CheckoutState& checkout, std::string mode = {});

    // The entry checks and the first recalculation; false (after the message)
    // when there is no open coupon: the screen does not open.
    bool open();
    PaymentTab first_tab() const;
    PaymentField first_focus() const;

    const PaymentState& state() const { return state_; }
    const std::vector<PaymentForm>& forms() const { return forms_; }

    // The payment group. Each returns false for a value the field cannot
    // hold (the view beeps and keeps the focus there); nothing is written.
    bool set_form(std::string_view code);
    bool set_amount_text(std::string_view text);
    bool set_cheque_number_text(std::string_view text);
    bool set_cheque_date(util::DayNumber day);
    bool set_term_text(int index, std::string_view text);  // 1..6
    bool set_due_date(util::DayNumber day);
    // The client of the coupon (the store credit needs one); stored at once.
    bool set_client_code(std::string_view text, const ClientChooser& choose);

    // The adjustment tab.
    bool set_surcharge_percent_text(std::string_view text);
    bool set_surcharge_value_text(std::string_view text);
    bool set_discount_percent_text(std::string_view text);
    bool set_discount_value_text(std::string_view text);

    // "Confirma (F10)" of "Acrescimo/Desconto (F3)".
    PaymentOutcome confirm_adjustment();
    // "Confirma (F10)" of "Fechamento (F2)".
    PaymentOutcome confirm_payment();

    void set_finished_notice(FinishedNotice notice) { finished_ = std::move(notice); }
    // The card functions a test puts in place of the service port's.
    void set_card_functions(CardFunctions* card) { card_ = card; }

    // 1 when a payment was registered (or, with a mode, the adjustment applied).
    int result() const { return result_; }
    // The coupon was closed on the printer.
    bool completed() const { return completed_; }

  private:
    void recalculate();
    // A percentage or a value typed on the surcharge or the discount side.
    bool type_adjustment(bool surcharge, bool as_percent, std::string_view text);
    bool reload();
    void clear_group();
    bool apply_adjustment(PaymentOutcome& out);
    PaymentOutcome close_coupon();
    PaymentOutcome pay_with_card_manager();

    CheckoutState& checkout_;
    std::string mode_;
    std::vector<PaymentForm> forms_;
    PaymentState state_;
    util::Money trib_fed_, trib_est_, trib_mun_;
    FinishedNotice finished_;
    CardFunctions* card_ = nullptr;
    int result_ = 0;
    bool completed_ = false;
};

// The amount typed in a money field: digits with "," or "." and at most two
// places, not negative; nullopt otherwise.
std::optional<util::Money> typed_money(std::string_view text);

}  // namespace balcora::sale
