#include "sale/coupon_tape.h"

#include "ecf/cp1252.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::sale {

namespace {

constexpr std::size_t kAmountColumn = 48;  // amounts of the total lines start here

std::string right(std::string_view text, std::size_t width) {
    return text.size() >= width ? std::string(text)
                                : std::string(width - text.size(), ' ') + std::string(text);
}

std::string zero_filled(std::string_view text, std::size_t width) {
    return text.size() >= width ? std::string(text)
                                : std::string(width - text.size(), '0') + std::string(text);
}

// Prices keep three places; the tape shows two, rounded as a display does.
std::string two_places(util::Fixed<3> price) {
    return util::to_br(util::round_half_up_to<2>(price));
}

std::string line(std::string_view text) {
    return ecf::fit(text, kTapeWidth);
}

// A label at the left and an amount ending at the tape's right edge.
std::string amount_line(std::string_view label, util::Money amount) {
    return line(ecf::fit(label, kAmountColumn) +
                right(util::to_br(amount), kTapeWidth - kAmountColumn));
}

}  // namespace

TapeEntry item_entry(const CouponItem& item) {
    TapeEntry e;
    e.line1 = line(zero_filled(std::to_string(item.num_item), 4) + "   " +
                   zero_filled(item.code, 13) + "   " + ecf::fit(item.descricao, 50));
    e.line2 = line(std::string(8, ' ') + right(util::to_br(item.qtdade), 12) + " x " +
                   right(two_places(item.preco), 11) + std::string(14, ' ') +
                   right(util::to_br(item.total), 12));
    return e;
}

TapeEntry item_cancelled_entry(int num_item, util::Money item_net) {
    return {line("****   ITEM Nº " + zero_filled(std::to_string(num_item), 4) + " CANCELADO"),
            amount_line("", -item_net)};
}

TapeEntry adjustment_entry(util::Money total, util::Money discount, util::Money surcharge) {
    TapeEntry e;
    e.line1 = amount_line("       Sub-total", total + discount - surcharge);
    e.line2 = !discount.is_zero() ? amount_line("       Desconto", -discount)
                                  : amount_line("       Acréscimo", surcharge);
    return e;
}

TapeEntry total_entry(util::Money total) {
    return {amount_line("       Total", total), line("")};
}

std::string payment_method_name(std::string_view tipo) {
    const std::string t = util::to_upper_ascii(util::trim(tipo));
    if (t == "DI") return "Dinheiro";
    if (t == "CH" || t == "CC") return "Cheque";
    if (t == "CA") return "Cartão TEF";
    if (t == "VA") return "Vale";
    if (t == "CO") return "Convênio";
    if (t == "CR") return "Crediário";
    if (t == "PI") return "PIX";
    return t;
}

TapeEntry payment_entry(std::string_view tipo, util::Money amount) {
    return {amount_line("       " + ecf::fit(payment_method_name(tipo), 16), amount), line("")};
}

TapeEntry change_entry(util::Money change) {
    return {amount_line("       Troco", change), line("")};
}

TapeEntry coupon_cancelled_entry() {
    return {line("****   CUPOM FISCAL CANCELADO"), line("")};
}

CouponTape CouponTape::build(const TapeSource& s) {
    CouponTape tape;
    for (const CouponItem& item : s.items) {
        tape.add(item_entry(item));
        if (item.cancelled) tape.add(item_cancelled_entry(item.num_item, item.net()));
    }
    if (!s.vl_desconto.is_zero() || !s.vl_acrescimo.is_zero())
        tape.add(adjustment_entry(s.total, s.vl_desconto, s.vl_acrescimo));
    if (s.payment_started) tape.add(total_entry(s.total));
    for (const TapePayment& p : s.payments) tape.add(payment_entry(p.tipo, p.valor));
    return tape;
}

std::string CouponTape::text() const {
    std::string out;
    for (const TapeEntry& e : entries_) out += e.line1 + "\n" + e.line2 + "\n";
    return out;
}

}  // namespace balcora::sale
