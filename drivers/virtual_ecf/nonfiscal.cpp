// Management reports, credit/debit vouchers and their reversal, withdrawal
// and supply receipts, and the document register.
#include "command.h"
#include "ecf/driver_abi.h"
#include "globals/globals.h"
#include "tape.h"
#include "text.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::vecf {

namespace {

std::vector<std::string> block_lines(std::string_view cp1252) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start < cp1252.size()) {
        std::size_t nl = cp1252.find('\n', start);
        std::string_view piece = cp1252.substr(start, nl == cp1252.npos ? cp1252.npos : nl - start);
        if (!piece.empty() && piece.back() == '\r') piece.remove_suffix(1);
        for (auto& l : chop(cp1252_to_utf8(piece))) out.push_back(std::move(l));
        if (nl == cp1252.npos) break;
        start = nl + 1;
    }
    if (out.empty()) out.push_back("");
    return out;
}

bool has_decimal_mark(std::string_view s) {
    return s.find_first_of(".,") != s.npos;
}

void cancel_open_voucher(Command& c) {
    OpenDocument& d = c.m.doc;
    const Money amount = d.amount;
    c.print(rule());
    c.print(center("*** COMPROVANTE CANCELADO ***"));
    c.print(document_footer(c.m, c.now));
    ++c.m.ncn;
    c.finish_document(doc::kVoucher, amount, "C");
}

}  // namespace

void issue_cash_receipt(Command& c, const std::string& kind, Money amount) {
    start_movement(c);
    close_cancellation_window(c.m, true);
    ++c.m.coo, ++c.m.gnf;
    (kind == "SA" ? c.m.day.withdrawals : c.m.day.supplies) += amount;
    TapeDocument d;
    d.coo = c.m.coo, d.kind = doc::kCashReceipt, d.at = c.now, d.gnf = c.m.gnf, d.value = amount;
    d.lines = document_header(c.m, c.now, c.m.coo, 0, "COMPROVANTE NÃO-FISCAL");
    d.lines.push_back(spread("GNF:" + zero_filled(c.m.gnf, 6), ""));
    d.lines.push_back(rule());
    d.lines.push_back(spread(kind == "SA" ? "SANGRIA" : "SUPRIMENTO", money(amount)));
    d.lines.push_back(spread("TOTAL R$", money(amount)));
    for (auto& l : document_footer(c.m, c.now)) d.lines.push_back(std::move(l));
    c.emit(std::move(d));
    c.m.last_cash = {c.m.coo, c.m.gnf, kind, amount, true};
}

void cash_movement(Command& c) {
    std::string_view p = c.params.at(1);
    std::string_view kind = p.substr(0, 2);
    const std::int64_t units = p.size() == 16 ? digits_value(p.substr(2, 14)).value_or(0) : 0;
    if (kind != "SA" && kind != "SU")
        refuse("Tipo de movimento inválido: use SA (sangria) ou SU (suprimento).");
    if (units <= 0) refuse("Valor inválido para sangria ou suprimento.");
    require_new_document(c.m, c.now);
    issue_cash_receipt(c, std::string(kind), Money::from_units(units));
}

void cancel_nonfiscal(Command& c) {
    if (c.m.doc.kind == DocKind::voucher) return cancel_open_voucher(c);
    require_new_document(c.m, c.now);
    LastCashMovement& cash = c.m.last_cash;
    if (!cash.cancellable)
        refuse(
            "Não há comprovante não fiscal a cancelar: o cancelamento só é possível logo após "
            "a sua emissão.");
    (cash.kind == "SA" ? c.m.day.withdrawals : c.m.day.supplies) -= cash.amount;
    ++c.m.coo, ++c.m.gnf, ++c.m.ncn;
    TapeDocument d;
    d.coo = c.m.coo, d.kind = doc::kCashCancel, d.at = c.now, d.gnf = c.m.gnf,
    d.value = cash.amount;
    d.lines = document_header(c.m, c.now, c.m.coo, 0, "COMPROVANTE NÃO-FISCAL CANCELADO");
    d.lines.push_back(spread("GNF:" + zero_filled(c.m.gnf, 6), "NCN:" + zero_filled(c.m.ncn, 4)));
    d.lines.push_back(rule());
    d.lines.push_back(spread("COO do comprovante:", zero_filled(cash.coo, 6)));
    d.lines.push_back(spread(cash.kind == "SA" ? "SANGRIA CANCELADA" : "SUPRIMENTO CANCELADO",
                             money(cash.amount)));
    for (auto& l : document_footer(c.m, c.now)) d.lines.push_back(std::move(l));
    c.emit(std::move(d));
    cash.cancellable = false;
}

void open_report(Command& c) {
    require_new_document(c.m, c.now);
    close_cancellation_window(c.m, false);
    ++c.m.coo, ++c.m.gnf, ++c.m.grg;
    OpenDocument& d = c.m.doc;
    d = OpenDocument{};
    d.kind = DocKind::report;
    d.coo = c.m.coo, d.gnf = c.m.gnf, d.grg = c.m.grg, d.cdc = c.m.cdc;
    d.started = c.now;
    c.print(document_header(c.m, c.now, d.coo, 0, "RELATÓRIO GERENCIAL"));
    c.print(spread("GNF:" + zero_filled(d.gnf, 6), "GRG:" + zero_filled(d.grg, 6)));
    c.print(rule());
}

void document_line(Command& c) {
    const bool report = c.number == 119;
    if (c.m.doc.kind != (report ? DocKind::report : DocKind::voucher))
        refuse(report ? "Não há relatório gerencial aberto."
                      : "Não há comprovante de crédito ou débito aberto.");
    c.print(block_lines(c.params.at(1)));
    c.out.may_wait = true;
}

void close_report(Command& c) {
    // Closing what is already closed is harmless: callers close a report they
    // believe open before trying again.
    if (c.m.doc.kind == DocKind::none) return;
    if (c.m.doc.kind != DocKind::report)
        refuse("Comando fora de sequência: o documento aberto não é um relatório gerencial.");
    const OpenDocument& d = c.m.doc;
    c.m.last_report = {d.coo, d.gnf, d.grg, d.cdc, 0, true};
    c.print(document_footer(c.m, c.now));
    c.finish_document(doc::kReport, Money{});
}

void open_voucher(Command& c) {
    // A coupon finished after midnight still gets its voucher, so a pending
    // reduction does not stop it; anything that ended the coupon's turn does.
    require_no_document(c.m);
    std::string method = trim(cp1252_to_utf8(c.params.at(1)));
    std::string amount_text = trim(c.params.at(2));
    std::string coo_text = trim(c.params.at(3));
    std::string instalments_text = trim(c.params.or_empty(4));
    // The amount is the parameter with a decimal mark: the sale and card flows
    // send the instalments second and the amount last.
    if (!has_decimal_mark(amount_text) && has_decimal_mark(instalments_text))
        std::swap(amount_text, instalments_text);
    auto cents = decimal_units(amount_text, 2);
    auto coo = digits_value(coo_text);
    auto instalments =
        instalments_text.empty() ? std::optional<std::int64_t>(1) : digits_value(instalments_text);
    if (method.empty()) refuse("Forma de pagamento do comprovante não informada.");
    if (!cents || *cents <= 0) refuse("Valor do comprovante inválido (\"" + amount_text + "\").");
    if (!coo) refuse("COO do cupom vinculado inválido (\"" + coo_text + "\").");
    if (!instalments || *instalments < 1 || *instalments > 99)
        refuse("Número de parcelas inválido (\"" + instalments_text + "\").");
    const Money amount = Money::from_units(*cents);
    LastCoupon& lc = c.m.last_coupon;
    if (lc.coo == 0 || lc.coo != *coo || lc.cancelled || !lc.cancellable)
        refuse(
            "O comprovante de crédito ou débito só pode ser vinculado ao último cupom fiscal "
            "emitido, logo após a sua emissão.");
    const std::string key = util::to_upper_ascii(method);
    Money paid, linked;
    std::string name;
    for (const Payment& p : lc.payments)
        if (util::to_upper_ascii(p.method) == key) paid += p.amount, name = p.method;
    if (name.empty())
        refuse("A forma de pagamento \"" + method + "\" não consta do cupom COO " +
               zero_filled(lc.coo, 6) + ".");
    for (const Voucher& v : lc.vouchers)
        if (!v.reversed && util::to_upper_ascii(v.method) == key) linked += v.amount;
    if (linked + amount > paid)
        refuse("Valor do comprovante (" + money(amount) + ") maior que o saldo pago em " + name +
               " no cupom (" + money(paid - linked) + ").");
    close_cancellation_window(c.m, false);
    ++c.m.coo, ++c.m.gnf, ++c.m.cdc;
    OpenDocument& d = c.m.doc;
    d = OpenDocument{};
    d.kind = DocKind::voucher;
    d.coo = c.m.coo, d.gnf = c.m.gnf, d.grg = c.m.grg, d.cdc = c.m.cdc;
    d.started = c.now;
    d.linked_coo = lc.coo, d.linked_ccf = lc.ccf;
    d.method = name, d.amount = amount, d.instalments = static_cast<int>(*instalments);
    c.print(document_header(c.m, c.now, d.coo, 0, "COMPROVANTE CRÉDITO OU DÉBITO"));
    c.print(spread("GNF:" + zero_filled(d.gnf, 6), "CDC:" + zero_filled(d.cdc, 4)));
    c.print(spread("COO do documento vinculado:", zero_filled(lc.coo, 6)));
    c.print(spread(name, money(amount)));
    c.print(spread("Parcelas:", std::to_string(d.instalments)));
    c.print(rule());
}

void close_voucher(Command& c) {
    if (c.m.doc.kind == DocKind::none) return;
    if (c.m.doc.kind != DocKind::voucher)
        refuse(
            "Comando fora de sequência: o documento aberto não é um comprovante de crédito ou "
            "débito.");
    const OpenDocument& d = c.m.doc;
    c.m.last_coupon.vouchers.push_back({d.coo, d.method, d.amount, false});
    c.m.last_voucher = {d.coo, d.gnf, d.grg, d.cdc, d.linked_ccf, true};
    const Money amount = d.amount;
    c.print(document_footer(c.m, c.now));
    c.finish_document(doc::kVoucher, amount);
}

void reverse_voucher(Command& c) {
    require_new_document(c.m, c.now);
    std::string consumer = trim(cp1252_to_utf8(c.params.at(1)));
    std::string name = trim(cp1252_to_utf8(c.params.or_empty(2)));
    std::string address = trim(cp1252_to_utf8(c.params.or_empty(3)));
    std::string coo_text = trim(c.params.at(4));
    auto coo = digits_value(coo_text);
    LastCoupon& lc = c.m.last_coupon;
    Voucher* found = nullptr;
    for (Voucher& v : lc.vouchers)
        if (coo && v.coo == *coo) found = &v;
    if (!found)
        refuse("Comprovante de crédito ou débito COO " + coo_text +
               " não encontrado entre os vinculados ao último cupom fiscal.");
    if (found->reversed)
        refuse("Comprovante de crédito ou débito COO " + coo_text + " já foi estornado.");
    if (!lc.cancellable || lc.cancelled)
        refuse("Estorno não permitido: o cupom vinculado não é mais o último documento fiscal.");
    ++c.m.coo, ++c.m.gnf, ++c.m.cdc_reversed;
    found->reversed = true;
    TapeDocument d;
    d.coo = c.m.coo, d.kind = doc::kReversal, d.at = c.now, d.ccf = lc.ccf, d.gnf = c.m.gnf;
    d.cdc = c.m.cdc, d.value = found->amount;
    d.lines = document_header(c.m, c.now, c.m.coo, 0, "ESTORNO DE COMPROVANTE CRÉDITO OU DÉBITO");
    d.lines.push_back(spread("GNF:" + zero_filled(c.m.gnf, 6), ""));
    d.lines.push_back(spread("COO do comprovante estornado:", zero_filled(found->coo, 6)));
    d.lines.push_back(spread("COO do cupom vinculado:", zero_filled(lc.coo, 6)));
    d.lines.push_back(spread(found->method, money(found->amount)));
    d.lines.push_back(rule());
    d.lines.push_back("CONSUMIDOR: " + consumer);
    for (const auto& text : {name, address})
        for (const auto& l : chop(text))
            if (!l.empty()) d.lines.push_back(l);
    for (auto& l : document_footer(c.m, c.now)) d.lines.push_back(std::move(l));
    c.emit(std::move(d));
}

void cancel_open_document(Command& c) {
    switch (c.m.doc.kind) {
        case DocKind::none:
            refuse("Não há documento aberto na impressora.");
        case DocKind::coupon:
            return cancel_coupon(c);
        case DocKind::report:
            return close_report(c);
        case DocKind::voucher:
            return cancel_open_voucher(c);
    }
}

void cut_paper(Command& c) {
    c.print(std::string(14, '-') + " corte do papel " + std::string(18, '-'));
    if (c.m.doc.kind == DocKind::none)
        c.out.document_finished = true;
    else
        c.out.may_wait = c.m.doc.kind == DocKind::report || c.m.doc.kind == DocKind::voucher;
}

void register_document(Command& c) {
    std::string kind = cp1252_to_utf8(c.params.at(1));
    auto amount = util::read_units(c.params.or_empty(2), 0, util::ExcessDecimals::kTruncate);
    std::int64_t cents = trim(c.params.or_empty(2)).empty() ? 0 : amount.value;
    if (!trim(c.params.or_empty(2)).empty() && (!amount.valid || cents < 0))
        refuse("Valor do documento inválido (\"" + cp1252_to_utf8(c.params.or_empty(2)) + "\").");
    const std::string code = util::to_upper_ascii(trim(kind)).substr(0, 2);
    const IssuedNonFiscal& last =
        code == "CC" ? c.m.last_voucher
        : code == "RG"
            ? c.m.last_report
            : (c.m.last_voucher.coo > c.m.last_report.coo ? c.m.last_voucher : c.m.last_report);
    if (!last.present) refuse("Não há documento \"" + kind + "\" emitido para registrar.");
    const int cro = c.m.cro;
    const std::string when = datahora(c.now), digits = std::to_string(cents);
    c.after.push_back([=] {
        glo::datahora_ecf = when;
        GRAVADOCEMITIDOSECF(kind.c_str(), cro, last.coo, last.ccf, last.gnf, last.grg, last.cdc,
                            digits.c_str());
    });
}

}  // namespace balcora::vecf
