// The fiscal coupon: opening, items, closing with discount or surcharge,
// payments, consumer, closing and cancellation.
#include "command.h"
#include "globals/globals.h"
#include "globals/open_document.h"
#include "tape.h"
#include "text.h"
#include "util/documents.h"
#include "util/text.h"

namespace balcora::vecf {

namespace {

OpenDocument& open_coupon_doc(Command& c) {
    if (c.m.doc.kind != DocKind::coupon) refuse("Não há cupom fiscal aberto.");
    return c.m.doc;
}

// An amount sent scaled by 1000 must still be whole cents.
Money cents_of_thousandths(std::int64_t units, std::string_view what) {
    if (units % 10 != 0) refuse(std::string(what) + " com mais de duas casas decimais.");
    return Money::from_units(units / 10);
}

// The tax totaliser of an item from the printer tax code and rate of the item
// record: "FF", "II", "NN" (ICMS) and "SF", "SI", "SN" (ISSQN) name their
// totaliser; a two-digit index names a rate totaliser, ICMS unless the index
// was programmed as ISSQN ("01" at 18,00% is "01T1800").
std::string totaliser_for(const Memory& m, std::string_view code, std::int64_t rate) {
    static const std::map<std::string, std::string, std::less<>> fixed = {
        {"FF", "F1"}, {"II", "I1"}, {"NN", "N1"}, {"SF", "FS1"}, {"SI", "IS1"}, {"SN", "NS1"}};
    std::string upper = util::to_upper_ascii(code);
    if (auto it = fixed.find(upper); it != fixed.end()) return it->second;
    if (digits_value(code) && code.size() == 2 && code != "00") {
        if (rate <= 0) refuse("Alíquota do item inválida para o índice " + upper + ".");
        auto it = m.tax_letters.find(upper);
        char letter = it == m.tax_letters.end() ? 'T' : it->second;
        return upper + letter + zero_filled(rate, 4);
    }
    refuse("Situação tributária do item inválida (\"" + cp1252_to_utf8(code) + "\").");
}

void add_cancellation(Day& d, const std::string& totaliser, Money value) {
    d.tax[totaliser] -= value;
    (iss_totaliser(totaliser) ? d.canc_iss : d.canc) += value;
}

void add_adjustment(Day& d, const std::string& totaliser, Money share) {
    d.tax[totaliser] += share;
    if (share.units() < 0)
        (iss_totaliser(totaliser) ? d.desc_iss : d.desc) += -share;
    else
        (iss_totaliser(totaliser) ? d.surch_iss : d.surch) += share;
}

std::string same_method(const Memory& m, const std::string& name) {
    std::string key = util::to_upper_ascii(name);
    for (const auto& known : m.methods)
        if (util::to_upper_ascii(known) == key) return known;
    return {};
}

std::vector<std::string> text_lines(std::string_view cp1252) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= cp1252.size()) {
        std::size_t nl = cp1252.find('\n', start);
        std::string_view piece = cp1252.substr(start, nl == cp1252.npos ? cp1252.npos : nl - start);
        if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
        if (nl == cp1252.npos && piece.empty() && start > 0) break;
        for (auto& l : chop(cp1252_to_utf8(piece))) out.push_back(std::move(l));
        if (nl == cp1252.npos) break;
        start = nl + 1;
    }
    while (!out.empty() && out.back().empty()) out.pop_back();
    return out;
}

// Takes back from the day what a coupon added to it.
void undo_coupon(Day& d, const std::map<std::string, Money>& by_totaliser,
                 const std::vector<Payment>& payments, Money change) {
    for (const auto& [totaliser, value] : by_totaliser) add_cancellation(d, totaliser, value);
    for (const Payment& p : payments) d.payments[p.method] -= p.amount;
    d.change -= change;
    ++d.cancelled_coupons;
}

std::map<std::string, Money> net_by_totaliser(const OpenDocument& doc) {
    std::map<std::string, Money> out;
    for (const Item& i : doc.items)
        if (!i.cancelled) out[i.totaliser] += i.net() + i.share;
    return out;
}

}  // namespace

void open_coupon(Command& c) {
    require_new_document(c.m, c.now);
    std::string consumer = trim(cp1252_to_utf8(c.params.or_empty(1)));
    if (!consumer.empty() && !CPF(consumer) && !CNPJ(consumer))
        refuse("CPF/CNPJ do consumidor inválido: " + consumer + ".");
    start_movement(c);
    close_cancellation_window(c.m, true);
    ++c.m.coo, ++c.m.ccf;
    OpenDocument& d = c.m.doc;
    d = OpenDocument{};
    d.kind = DocKind::coupon;
    d.coo = c.m.coo, d.ccf = c.m.ccf;
    d.started = c.now;
    d.consumer_doc = consumer;
    c.print(document_header(c.m, c.now, d.coo, d.ccf, "CUPOM FISCAL"));
    if (!consumer.empty()) c.print("CPF/CNPJ consumidor: " + consumer);
    c.print(rule());
    c.print("ITEM CÓDIGO         DESCRIÇÃO");
    c.print(pad_right("    QTD. UN. VL.UNIT(R$)", 28) + pad_right("ST", 9) +
            pad_left("VL.ITEM(R$)", 11));
    c.print(rule());
}

void sell_item(Command& c) {
    OpenDocument& d = open_coupon_doc(c);
    if (d.phase != Phase::items)
        refuse("Comando fora de sequência: o fechamento do cupom já foi iniciado.");
    std::string_view rec = c.params.at(1);
    if (rec.size() != 100)
        refuse("Registro do item inválido: são esperados 100 caracteres, recebidos " +
               std::to_string(rec.size()) + ".");
    auto number = [&](std::size_t pos, std::size_t len, std::string_view what) {
        auto v = digits_value(rec.substr(pos, len));
        if (!v)
            refuse(std::string(what) + " do item inválido (\"" +
                   cp1252_to_utf8(rec.substr(pos, len)) + "\").");
        return *v;
    };
    Item it;
    it.price = Price::from_units(number(53, 9, "Preço unitário"));
    it.quantity = Quantity::from_units(number(62, 7, "Quantidade"));
    it.total = cents_of_thousandths(number(69, 12, "Valor total"), "Valor total do item");
    it.discount = Money::from_units(number(86, 10, "Desconto"));
    const std::int64_t rate = number(96, 4, "Alíquota");
    if (it.quantity.is_zero()) refuse("Quantidade do item inválida.");
    if (it.price.is_zero()) refuse("Preço unitário do item inválido.");
    auto exact = util::exact_product(it.price, it.quantity);
    auto truncated = util::truncate_to<2>(exact), rounded = util::round_half_up_to<2>(exact);
    if (!truncated || !rounded || (it.total != *truncated && it.total != *rounded))
        refuse("Valor total do item (" + money(it.total) +
               ") não confere com quantidade × preço unitário.");
    if (it.total.is_zero()) refuse("Valor total do item inválido.");
    if (it.discount >= it.total) refuse("Desconto do item maior ou igual ao valor do item.");
    if (std::string_view p2 = c.params.or_empty(2); !trim(p2).empty()) {
        auto u = decimal_units(p2, 2);
        if (!u) refuse("Acréscimo do item inválido (\"" + cp1252_to_utf8(p2) + "\").");
        it.surcharge = Money::from_units(*u);
    }
    it.totaliser = totaliser_for(c.m, rec.substr(81, 2), rate);
    it.code = trim(cp1252_to_utf8(rec.substr(0, 13)));
    it.unit = trim(cp1252_to_utf8(rec.substr(84, 2)));
    std::string description = trim(cp1252_to_utf8(rec.substr(13, 40)));
    if (!description.empty() && description[0] == '#') {
        // "#" CEST "#" NCM "#" description, each part optional.
        std::size_t a = description.find('#', 1);
        std::size_t b = a == std::string::npos ? a : description.find('#', a + 1);
        it.cest = description.substr(1, a == std::string::npos ? std::string::npos : a - 1);
        if (a != std::string::npos)
            it.ncm = description.substr(a + 1, b == std::string::npos ? b : b - a - 1);
        description = b == std::string::npos ? std::string() : trim(description.substr(b + 1));
    }
    it.description = description;
    if (it.code.empty()) refuse("Código do item não informado.");
    if (it.description.empty()) refuse("Descrição do item não informada.");
    if (it.unit.empty()) refuse("Unidade do item não informada.");
    if (d.items.size() >= 999) refuse("Limite de 999 itens por cupom atingido.");
    it.number = static_cast<int>(d.items.size()) + 1;

    Day& day = c.m.day;
    day.tax[it.totaliser] += it.net();
    (iss_totaliser(it.totaliser) ? day.desc_iss : day.desc) += it.discount;
    (iss_totaliser(it.totaliser) ? day.surch_iss : day.surch) += it.surcharge;
    c.m.gt += it.total + it.surcharge;
    d.items.push_back(it);
    c.print(item_lines(it));
}

void cancel_item(Command& c) {
    OpenDocument& d = open_coupon_doc(c);
    if (d.phase != Phase::items)
        refuse(
            "Comando fora de sequência: itens não podem ser cancelados após o início do "
            "fechamento do cupom.");
    std::string text = trim(cp1252_to_utf8(c.params.at(1)));
    auto n = digits_value(text);
    if (!n || *n < 1 || *n > static_cast<std::int64_t>(d.items.size()))
        refuse("Item " + text + " não existe no cupom.");
    Item& it = d.items[*n - 1];
    if (it.cancelled) refuse("Item " + zero_filled(it.number, 3) + " já foi cancelado.");
    it.cancelled = true;
    add_cancellation(c.m.day, it.totaliser, it.net());
    c.print(spread("CANCELAMENTO ITEM " + zero_filled(it.number, 3), money(-it.net())));
}

void start_closing(Command& c) {
    OpenDocument& d = open_coupon_doc(c);
    if (d.phase != Phase::items)
        refuse("Comando fora de sequência: o fechamento do cupom já foi iniciado.");
    const Money subtotal = d.items_net();
    if (subtotal.units() <= 0)
        refuse("Cupom sem itens válidos: registre um item ou cancele o cupom.");
    std::string_view p = c.params.at(1);
    auto units = p.size() == 18 ? digits_value(p.substr(0, 13)) : std::nullopt;
    if (!units) refuse("Parâmetro de desconto/acréscimo inválido.");
    const Money amount = cents_of_thousandths(*units, "Valor de desconto/acréscimo");
    const std::string_view code = p.substr(13, 5);
    const bool discount = code == "00000";
    if (!discount && code != "00002")
        refuse("Código de desconto/acréscimo inválido (\"" + cp1252_to_utf8(code) + "\").");
    if (discount && amount >= subtotal) refuse("Desconto maior ou igual ao subtotal do cupom.");

    const Money adjustment = discount ? -amount : amount;
    // Shared among the items in proportion to their value, the last item
    // taking what rounding left, so each item's base adds up to the coupon.
    int last = 0;
    for (const Item& i : d.items)
        if (!i.cancelled) last = i.number;
    Money given;
    for (Item& i : d.items) {
        if (i.cancelled) continue;
        if (i.number == last) {
            i.share = adjustment - given;
        } else {
            auto share = util::round_half_up_to<2>(util::Exact(adjustment) * util::Exact(i.net()) /
                                                   util::Exact(subtotal));
            i.share = share.value_or(Money{});
            given += i.share;
        }
        if (!i.share.is_zero()) add_adjustment(c.m.day, i.totaliser, i.share);
    }
    if (!discount) c.m.gt += amount;
    d.adjustment = adjustment;
    d.phase = Phase::totalled;
    c.print(rule());
    c.print(spread("SUBTOTAL R$", money(subtotal)));
    if (discount && !amount.is_zero()) c.print(spread("DESCONTO R$", money(-amount)));
    if (!discount && !amount.is_zero()) c.print(spread("ACRÉSCIMO R$", "+" + money(amount)));
    c.print(spread("TOTAL R$", money(d.total())));
}

void register_payment(Command& c) {
    OpenDocument& d = open_coupon_doc(c);
    if (d.phase == Phase::items)
        refuse("Comando fora de sequência: inicie o fechamento do cupom antes do pagamento.");
    if (d.phase == Phase::paid) refuse("Pagamento do cupom já completado: encerre o cupom.");
    std::string_view p = c.params.at(1);
    if (p.size() < 29) refuse("Parâmetro de pagamento inválido.");
    std::string name = trim(cp1252_to_utf8(p.substr(0, 16)));
    auto units = digits_value(p.substr(16, 13));
    if (name.empty()) refuse("Forma de pagamento não informada.");
    if (!units) refuse("Valor do pagamento inválido.");
    const Money amount = cents_of_thousandths(*units, "Valor do pagamento");
    if (amount.is_zero()) refuse("Valor do pagamento inválido.");
    std::string method = same_method(c.m, name);
    if (method.empty()) {
        if (c.m.methods.size() >= 20)
            refuse("Tabela de formas de pagamento esgotada: \"" + name +
                   "\" não pode ser programada.");
        c.m.methods.push_back(name);
        method = name;
    }
    d.payments.push_back({method, amount});
    c.m.day.payments[method] += amount;
    d.phase = d.paid() >= d.total() ? Phase::paid : Phase::paying;
    c.print(spread(method, money(amount)));
    if (std::string text = trim(cp1252_to_utf8(p.substr(29, 40))); !text.empty())
        c.print("  " + text);
    if (std::string extra = trim(cp1252_to_utf8(c.params.or_empty(2))); !extra.empty())
        for (const auto& l : chop("  " + extra)) c.print(l);
}

void identify_consumer(Command& c) {
    OpenDocument& d = open_coupon_doc(c);
    std::string_view p = c.params.at(1);
    auto field = [&](std::size_t pos, std::size_t len) {
        return pos < p.size() ? trim(cp1252_to_utf8(p.substr(pos, len))) : std::string();
    };
    std::string name = field(0, 65), address = field(65, 80), id = field(145, 30);
    if (name.empty() && address.empty() && id.empty()) refuse("Identificação do consumidor vazia.");
    d.consumer_name = name, d.consumer_address = address, d.consumer_id = id;
    c.dirty = true;
}

void close_coupon(Command& c) {
    OpenDocument& d = open_coupon_doc(c);
    if (d.phase == Phase::items)
        refuse("Comando fora de sequência: inicie o fechamento e registre o pagamento do cupom.");
    if (d.phase != Phase::paid)
        refuse("Pagamento do cupom não completado: faltam R$ " + money(d.total() - d.paid()) + ".");
    const Money total = d.total(), change = d.paid() - total;
    if (!change.is_zero()) c.print(spread("TROCO R$", money(change)));
    if (!d.consumer_name.empty() || !d.consumer_id.empty() || !d.consumer_address.empty()) {
        c.print(rule());
        if (!d.consumer_id.empty()) c.print("CONSUMIDOR: " + d.consumer_id);
        for (const auto& l : chop(d.consumer_name))
            if (!l.empty()) c.print(l);
        for (const auto& l : chop(d.consumer_address))
            if (!l.empty()) c.print(l);
    }
    std::vector<std::string> message = text_lines(c.params.or_empty(1));
    if (!message.empty()) {
        c.print(rule());
        c.print(message);
    }
    if (std::string nf = trim(cp1252_to_utf8(c.params.or_empty(2))); !nf.empty())
        c.print("NOTA FISCAL VINCULADA: " + nf);
    c.print(document_footer(c.m, c.now));

    c.m.day.change += change;
    ++c.m.day.coupons;
    LastCoupon& lc = c.m.last_coupon;
    lc = LastCoupon{};
    lc.coo = d.coo, lc.ccf = d.ccf, lc.total = total;
    lc.by_totaliser = net_by_totaliser(d);
    lc.payments = d.payments;
    lc.cancellable = true;
    c.finish_document(doc::kCoupon, total);
}

void cancel_coupon(Command& c) {
    if (c.m.doc.kind == DocKind::coupon) {
        OpenDocument& d = c.m.doc;
        const Money total = d.total();
        // Change is only counted when the coupon closes, so there is none to undo.
        undo_coupon(c.m.day, net_by_totaliser(d), d.payments, Money{});
        ++c.m.cfc;
        c.print(rule());
        c.print(center("*** CUPOM FISCAL CANCELADO ***"));
        c.print(spread("VALOR CANCELADO R$", money(total)));
        c.print(document_footer(c.m, c.now));
        LastCoupon& lc = c.m.last_coupon;
        lc = LastCoupon{};
        lc.coo = d.coo, lc.ccf = d.ccf, lc.total = total, lc.cancelled = true;
        c.finish_document(doc::kCoupon, total, "C");
        c.after.push_back([] { glo::cf_aberto = 0; });
        return;
    }
    require_no_document(c.m);
    LastCoupon& lc = c.m.last_coupon;
    if (lc.coo == 0) refuse("Não há cupom fiscal a cancelar.");
    if (lc.cancelled)
        refuse("O último cupom fiscal (COO " + zero_filled(lc.coo, 6) + ") já foi cancelado.");
    if (z_pending(c.m, c.now))
        refuse_warning("Redução Z pendente: o cupom COO " + zero_filled(lc.coo, 6) +
                       " não pode mais ser cancelado.");
    if (!lc.cancellable)
        refuse("Cancelamento não permitido: o cupom COO " + zero_filled(lc.coo, 6) +
               " não é mais o último documento fiscal emitido.");
    for (const Voucher& v : lc.vouchers)
        if (!v.reversed)
            refuse("Estorne o comprovante de crédito ou débito COO " + zero_filled(v.coo, 6) +
                   " vinculado ao cupom antes de cancelá-lo.");
    Money paid;
    for (const Payment& p : lc.payments) paid += p.amount;
    undo_coupon(c.m.day, lc.by_totaliser, lc.payments, paid - lc.total);
    ++c.m.coo, ++c.m.cfc;
    close_cancellation_window(c.m, false);
    TapeDocument doc;
    doc.coo = c.m.coo, doc.kind = doc::kCancellation, doc.at = c.now, doc.ccf = lc.ccf;
    doc.value = lc.total;
    doc.lines = document_header(c.m, c.now, c.m.coo, 0, "CANCELAMENTO DE CUPOM FISCAL");
    doc.lines.push_back(rule());
    doc.lines.push_back(spread("COO do cupom cancelado:", zero_filled(lc.coo, 6)));
    doc.lines.push_back(spread("CCF do cupom cancelado:", zero_filled(lc.ccf, 6)));
    doc.lines.push_back(spread("VALOR CANCELADO R$", money(lc.total)));
    for (auto& l : document_footer(c.m, c.now)) doc.lines.push_back(std::move(l));
    c.emit(std::move(doc));
    lc.cancelled = true, lc.cancellable = false;
}

void read_coupon_state(Command& c) {
    const Memory& m = c.m;
    const LastCoupon& lc = m.last_coupon;
    const bool open = m.doc.kind == DocKind::coupon;
    glo::cf_aberto = open ? 1 : 0;
    glo::doc_aberto = open                             ? 1
                      : m.doc.kind == DocKind::report  ? 2
                      : m.doc.kind == DocKind::voucher ? 3
                                                       : 0;
    glo::cf_permcanc =
        open || (lc.coo != 0 && lc.cancellable && !lc.cancelled && !z_pending(m, c.now));
}

}  // namespace balcora::vecf
