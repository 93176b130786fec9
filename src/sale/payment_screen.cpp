#include "sale/payment_screen.h"

#include "db/fiscal_write.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "ecf/fiscal_printer.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "sale/called_procedures.h"
#include "sale/coupon_adjustment.h"
#include "sale/coupon_closing.h"
#include "sale/payment_writes.h"
#include "sale/sale_documents.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::sale {

namespace {

constexpr int kMaxTermDays = 9999;

std::optional<std::int64_t> typed_integer(std::string_view text, std::int64_t max) {
    const std::string t = util::trim(text);
    if (t.empty()) return 0;
    std::int64_t v = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
        if (v > max) return std::nullopt;
    }
    return v;
}

std::string upper_code(std::string_view code) {
    return util::to_upper_ascii(util::trim(code));
}

}  // namespace

std::optional<util::Money> typed_money(std::string_view text) {
    if (util::trim(text).empty()) return util::Money{};
    auto units = util::parse_units(text, 2, util::ExcessDecimals::kRefuse);
    if (!units || *units < 0) return std::nullopt;
    return util::Money::from_units(*units);
}

PaymentScreen::PaymentScreen(CheckoutState& checkout, std::string mode)
    : checkout_(checkout), mode_(util::trim(mode)) {
    finished_ = [](const std::string& text) {
        prompt().message("Venda Finalizada", text, ui::Icon::kInformation);
    };
}

bool PaymentScreen::open() {
    // A printer that does not answer leaves the decision to the checkout's
    // own flag of the open coupon.
    const auto state = ecf::printer().read_coupon_state();
    std::optional<PaymentCoupon> coupon;
    if (state ? state->open : glo::cf_aberto != 0)
        coupon = load_payment_coupon(current_coupon_id());
    if (!coupon) {
        prompt().beep();
        prompt().message("Aviso", "Cupom fiscal não está aberto!", ui::Icon::kWarning);
        return false;
    }
    state_.coupon = *coupon;
    auto sums = load_item_sums(coupon->id_cfiscal);
    if (!sums) return false;
    state_.subtotal = sums->subtotal;
    trib_fed_ = sums->trib_fed, trib_est_ = sums->trib_est, trib_mun_ = sums->trib_mun;
    state_.tef_homologation = registro_number("Configuração", "TEF Homologacao", 0) != 0;
    state_.tef_active =
        upper_code(LEREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "N")) == "S";
    forms_ = payment_form_list(state_.tef_active);
    state_.surcharge = coupon->vl_acrescimo;
    state_.discount = coupon->vl_desconto;
    state_.client_id = coupon->id_cliente;
    state_.client = client_name(coupon->id_cliente);
    state_.surcharge_fields = mode_ != "Desc";
    state_.discount_fields = mode_ != "Acre";
    if (!reload()) return false;
    // Payments on the coupon mean the printer is past its subtotal, even when
    // this process did not see it happen.
    if (!state_.payments.empty()) checkout_.fp_iniciada = 1;
    recalculate();
    if (is_payment_code(mode_)) set_form(mode_);
    return true;
}

PaymentTab PaymentScreen::first_tab() const {
    return (mode_ == "Desc" || mode_ == "Acre") && state_.adjustment_tab ? PaymentTab::kAdjustment
                                                                         : PaymentTab::kClosing;
}

PaymentField PaymentScreen::first_focus() const {
    if (first_tab() == PaymentTab::kAdjustment)
        return mode_ == "Desc" ? PaymentField::kDiscountPercent : PaymentField::kSurchargePercent;
    return is_payment_code(mode_) ? PaymentField::kAmount : PaymentField::kForm;
}

bool PaymentScreen::reload() {
    auto payments = load_payments(state_.coupon.id_cfiscal);
    if (!payments) return false;
    state_.payments = std::move(*payments);
    return true;
}

void PaymentScreen::recalculate() {
    PaymentState& s = state_;
    util::Money received;
    for (const PaymentRow& p : s.payments) received += p.valor;
    s.received = received;
    s.balance = s.total() - received;
    const bool has_form = !s.form.empty();
    s.amount_editable = !has_form || amount_is_typed(s.form, s.tef_homologation);
    const util::Money due = s.balance.units() > 0 ? s.balance : util::Money{};
    if (has_form && !s.amount_editable) s.amount = due;
    if (s.form == "CR" && s.amount > due) s.amount = due;
    s.change_or_balance = s.balance - s.amount;
    s.adjustment_tab = checkout_.fp_iniciada == 0;
    s.cheque_fields = is_cheque(s.form);
    s.credit_fields = s.form == "CR";
    if (!s.cheque_fields) s.cheque_number = 0, s.cheque_date = 0;
    if (!s.credit_fields) s.terms = {}, s.due_date = 0;
    if (s.surcharge_percent.is_zero() || !s.adjustment_tab)
        s.surcharge_percent = percent_shown(s.surcharge, s.subtotal);
    if (s.discount_percent.is_zero() || !s.adjustment_tab)
        s.discount_percent = percent_shown(s.discount, s.subtotal);
    checkout_.trocotela = s.change_shown();
}

void PaymentScreen::clear_group() {
    state_.form.clear();
    state_.amount = {};
    state_.cheque_number = 0;
    state_.cheque_date = 0;
    state_.terms = {};
    state_.due_date = 0;
}

bool PaymentScreen::set_form(std::string_view code) {
    const std::string c = upper_code(code);
    if (!c.empty() && !is_payment_code(c)) return false;
    state_.form = c;
    // A cashier taking the exact amount only confirms.
    if (!c.empty() && state_.amount.is_zero() && state_.balance.units() > 0)
        state_.amount = state_.balance;
    recalculate();
    return true;
}

bool PaymentScreen::set_amount_text(std::string_view text) {
    if (!state_.amount_editable) return true;
    auto v = typed_money(text);
    if (!v || *v > util::Money::from_whole(9'999'999'999LL)) return false;
    state_.amount = *v;
    recalculate();
    return true;
}

bool PaymentScreen::set_cheque_number_text(std::string_view text) {
    auto v = typed_integer(text, 999'999);
    if (!v) return false;
    state_.cheque_number = static_cast<std::int32_t>(*v);
    return true;
}

bool PaymentScreen::set_cheque_date(util::DayNumber day) {
    if (day < 0) return false;
    state_.cheque_date = day;
    return true;
}

bool PaymentScreen::set_term_text(int index, std::string_view text) {
    if (index < 1 || index > kMaxInstalments) return false;
    auto v = typed_integer(text, kMaxTermDays);
    if (!v) return false;
    state_.terms[index - 1] = static_cast<int>(*v);
    if (index == 1) state_.due_date = state_.coupon.data + state_.terms[0];
    return true;
}

bool PaymentScreen::set_due_date(util::DayNumber day) {
    if (day < 0) return false;
    if (day < state_.coupon.data) day = state_.coupon.data;
    if (day - state_.coupon.data > kMaxTermDays) return false;
    state_.due_date = day;
    state_.terms[0] = day - state_.coupon.data;
    return true;
}

bool PaymentScreen::set_client_code(std::string_view text, const ClientChooser& choose) {
    std::int32_t id = 0;
    const std::string typed = util::trim(text);
    if (!typed.empty()) {
        auto v = typed_integer(typed, 2'000'000'000);
        if (v && *v > 0) {
            db::SqlRecord r;
            if (!db::read_rows("SELECT id_cliente FROM balcora.cliente WHERE id_cliente=" +
                                   std::to_string(*v) + ";",
                               r))
                return false;
            if (r.has_row()) id = static_cast<std::int32_t>(*v);
        }
        if (id == 0) {
            auto chosen = choose ? choose(typed) : std::nullopt;
            if (!chosen || *chosen <= 0) return false;
            id = *chosen;
        }
    }
    if (id == state_.client_id) return true;
    const std::string coupon = std::to_string(state_.coupon.id_cfiscal);
    const std::string sql =
        "UPDATE balcora.cfiscal SET id_cliente=" + (id ? std::to_string(id) : std::string("NULL")) +
        " WHERE id_cfiscal=" + coupon +
        "; update balcora.cfiscal set hash=" + db::hash_expression("cfiscal") +
        " where id_cfiscal=" + coupon + ";";
    db::Transaction tx;
    if (!tx.begun() || !db::run_sql(sql, db::report_for_table("cfiscal")) || !tx.commit())
        return false;
    state_.client_id = state_.coupon.id_cliente = id;
    state_.client = client_name(id);
    return true;
}

namespace {

// One side of the adjustment tab: surcharge or discount.
struct AdjustmentSide {
    bool PaymentState::*fields;
    util::Money PaymentState::*percent;
    util::Money PaymentState::*value;
    std::int64_t max_percent;
};
constexpr AdjustmentSide kSurchargeSide{&PaymentState::surcharge_fields,
                                        &PaymentState::surcharge_percent, &PaymentState::surcharge,
                                        999};
constexpr AdjustmentSide kDiscountSide{
    &PaymentState::discount_fields, &PaymentState::discount_percent, &PaymentState::discount, 100};

// Surcharge and discount never stand together: typing one side clears the
// other.
bool adjust(PaymentState& s, const AdjustmentSide& side, const AdjustmentSide& other,
            bool as_percent, std::string_view text) {
    if (!s.adjustment_tab || !(s.*side.fields)) return false;
    const auto typed = typed_money(text);
    if (!typed || *typed > util::Money::from_whole(9'999'999'999LL)) return false;
    if (as_percent) {
        if (*typed > util::Money::from_whole(side.max_percent)) return false;
        s.*side.percent = *typed;
        s.*side.value = percent_of(s.subtotal, *typed);
    } else {
        s.*side.value = *typed;
        s.*side.percent = {};
    }
    s.*other.percent = s.*other.value = {};
    return true;
}

}  // namespace

bool PaymentScreen::type_adjustment(bool surcharge, bool as_percent, std::string_view text) {
    const AdjustmentSide& side = surcharge ? kSurchargeSide : kDiscountSide;
    const AdjustmentSide& other = surcharge ? kDiscountSide : kSurchargeSide;
    if (!adjust(state_, side, other, as_percent, text)) return false;
    recalculate();
    return true;
}

bool PaymentScreen::set_surcharge_percent_text(std::string_view text) {
    return type_adjustment(true, true, text);
}
bool PaymentScreen::set_surcharge_value_text(std::string_view text) {
    return type_adjustment(true, false, text);
}
bool PaymentScreen::set_discount_percent_text(std::string_view text) {
    return type_adjustment(false, true, text);
}
bool PaymentScreen::set_discount_value_text(std::string_view text) {
    return type_adjustment(false, false, text);
}

bool PaymentScreen::apply_adjustment(PaymentOutcome& out) {
    if (checkout_.fp_iniciada != 0) return true;
    const CouponAdjustment a{state_.coupon.id_cfiscal, state_.subtotal, state_.surcharge,
                             state_.discount};
    switch (apply_coupon_adjustment(checkout_, a)) {
        case AdjustmentResult::kApplied:
            break;
        case AdjustmentResult::kDiscountTooLarge:
            prompt().beep();
            out.focus = PaymentField::kSubtotal;
            return false;
        case AdjustmentResult::kFailed:
            out.focus = PaymentField::kForm;
            return false;
    }
    state_.coupon.vl_acrescimo = state_.surcharge;
    state_.coupon.vl_desconto = state_.discount;
    state_.coupon.total = state_.total();
    recalculate();
    return true;
}

PaymentOutcome PaymentScreen::confirm_adjustment() {
    PaymentOutcome out;
    out.focus = PaymentField::kForm;
    if (checkout_.fp_iniciada != 0) return out;
    if (!apply_adjustment(out)) return out;
    if (!mode_.empty()) {
        result_ = 1;
        out.close = true;
    }
    return out;
}

PaymentOutcome PaymentScreen::confirm_payment() {
    PaymentOutcome out;
    PaymentState& s = state_;
    // Everything paid but the coupon still open (the printer refused to close
    // it): confirming tries the closing again.
    if (checkout_.fp_iniciada != 0 && !s.payments.empty() && s.balance.units() <= 0)
        return close_coupon();
    auto stop = [&](PaymentField f, int term = 0) {
        prompt().beep();
        out.focus = f;
        out.term = term;
        return out;
    };
    if (s.form.empty()) return stop(PaymentField::kForm);
    if (s.amount.is_zero()) return stop(PaymentField::kAmount);
    if (s.cheque_fields && s.cheque_number == 0) return stop(PaymentField::kChequeNumber);
    if (s.cheque_fields && s.cheque_date < today()) return stop(PaymentField::kChequeDate);
    InstalmentTerms terms;
    if (s.form == "CR") {
        if (s.client_id == 0) {
            prompt().beep();
            prompt().message("Aviso", "Obrigatório informar cliente para venda a crédito!",
                             ui::Icon::kWarning);
            out.focus = PaymentField::kClient;
            return out;
        }
        terms = count_instalments(s.terms);
        if (terms.bad_term) return stop(PaymentField::kTerm, terms.bad_term);
    }
    if (!apply_adjustment(out)) return out;
    out.focus = PaymentField::kForm;
    if (goes_to_card_manager(s.form, s.tef_active)) return pay_with_card_manager();
    // Cash beyond the balance is change; store credit never exceeds it.
    bool registered;
    if (s.form == "CR") {
        registered = register_credit(s.coupon, s.amount, terms.days);
    } else {
        PaymentEntry e;
        e.tipo = s.form;
        e.valor = s.amount;
        e.data = today();
        if (s.cheque_fields) e.numero = s.cheque_number, e.data = s.cheque_date;
        if (s.change_or_balance.units() < 0) e.vl_troco = -s.change_or_balance;
        registered = register_payment(s.coupon, e);
    }
    if (!registered) return out;
    result_ = 1;
    reload();
    clear_group();
    recalculate();
    if (s.balance.units() <= 0) return close_coupon();
    if (!mode_.empty()) out.close = true;
    return out;
}

PaymentOutcome PaymentScreen::pay_with_card_manager() {
    PaymentOutcome out;
    out.focus = PaymentField::kForm;
    PaymentState& s = state_;
    CardFunctions* card = card_ ? card_ : card_functions();
    if (!card) {
        report_not_available("Pagamento com cartão (TEF)");
        return out;
    }
    const CardPayment payment{s.form, s.coupon, s.amount, checkout_.trocotela, s.discount};
    const CardOutcome outcome = card->pay(payment);
    reload();
    if (outcome == CardOutcome::kNotPaid) {
        recalculate();
        return out;
    }
    // Confirmed, or undone after the printer had the payment and the coupon
    // cancelled: the sale is over for this screen either way. A coupon the
    // printer would not cancel stays open for the operator to cancel.
    result_ = 1;
    completed_ = outcome == CardOutcome::kConfirmed;
    if (completed_) glo::cf_aberto = 0;
    if (glo::cf_aberto == 0) checkout_.fp_iniciada = 0;
    clear_group();
    recalculate();
    out.close = true;
    return out;
}

PaymentOutcome PaymentScreen::close_coupon() {
    PaymentOutcome out;
    out.focus = PaymentField::kForm;
    if (!close_fiscal_coupon(state_.coupon)) return out;
    checkout_.fp_iniciada = 0;
    completed_ = true;
    const std::string last_form =
        state_.payments.empty() ? std::string() : state_.payments.back().tipo;
    print_sale_documents(state_.coupon.id_cfiscal, payment_printer_name(last_form));
    const util::Money change = state_.balance.units() < 0 ? -state_.balance : util::Money{};
    ecf::printer().open_drawer();
    if (finished_) finished_(sale_finished_text(change));
    // The sale is over only once what follows the coupon was printed.
    glo::cf_aberto = 0;
    out.close = true;
    return out;
}

}  // namespace balcora::sale
