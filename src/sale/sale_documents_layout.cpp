#include "sale/sale_documents_layout.h"

#include "sale/payment_arithmetic.h"
#include "sale/sale_documents_text.h"
#include "util/extenso.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>
#include <initializer_list>

namespace balcora::sale {

namespace {

constexpr std::size_t kSignatureWidth = 40;

// The pieces that are not blank, one blank apart: a client without a house
// number or complement gets no double blanks.
std::string spaced(std::initializer_list<std::string_view> pieces) {
    std::string out;
    for (std::string_view p : pieces) {
        const std::string t = util::trim(p);
        if (t.empty()) continue;
        if (!out.empty()) out += ' ';
        out += t;
    }
    return out;
}

std::string address_line(const DocumentClient& c) {
    return spaced({c.ender, c.house_number, c.complement});
}

std::string place(std::string_view municipio, std::string_view estado) {
    const std::string m = util::trim(municipio), e = util::trim(estado);
    return m.empty() && e.empty() ? std::string() : m + "/" + e;
}

void append(std::vector<std::string>& to, const std::vector<std::string>& lines) {
    to.insert(to.end(), lines.begin(), lines.end());
}

std::vector<std::string> centred_each(const std::vector<std::string>& lines, std::size_t width) {
    std::vector<std::string> out;
    for (const auto& l : lines) out.push_back(centred(l, width));
    return out;
}

std::vector<std::string> signature(const CreditSale& sale) {
    const std::string razao = sale.client ? util::trim(sale.client->razao) : std::string();
    const std::string cgcpf = sale.client ? util::trim(sale.client->cgcpf) : std::string();
    return {"", "", std::string(kSignatureWidth, '_'), right_in(razao, kSignatureWidth),
            "CPF/CNPJ: " + cgcpf};
}

std::string note_paragraph(const CreditSale& sale) {
    const util::Money total = sale.credit_total();
    const DocumentCompany& co = sale.company;
    return "PAGAREI POR ESTA NOTA PROMISSORIA A " + util::trim(co.razao_social) + " CNPJ " +
           util::trim(co.cnpj) + " OU A SUA ORDEM NA CIDADE DE " + place(co.municipio, co.estado) +
           " A QUANTIA DE R$ " + util::to_br(total) + " (" + EXTENSO(total) +
           ") EM MOEDA CORRENTE DO PAIS. REFERENTE AO CUPOM FISCAL CCF: " +
           util::zero_filled(sale.ccf, 6) + "/CCO: " + util::zero_filled(sale.coo, 6) +
           " DE ACARDO COM AS RESPECTIVAS PARCELAS QUE SEGUEM:";
}

std::vector<std::string> client_block(const CreditSale& sale) {
    std::vector<std::string> out;
    if (sale.client) {
        const DocumentClient& c = *sale.client;
        out.push_back("Cliente: " + util::trim(c.razao));
        out.push_back("Ender..: " + address_line(c));
        out.push_back("Bairro.: " + util::trim(c.bairr));
        out.push_back("Cidade.: " + place(c.municipio, c.estado));
        out.push_back(c.company
                          ? "CNPJ...: " + util::trim(c.cgcpf) + " IE: " + util::trim(c.inscr)
                          : "CPF....: " + util::trim(c.cgcpf) + " RG: " + util::trim(c.identity));
    }
    out.push_back("Total..: " + util::to_br(sale.credit_total()));
    return out;
}

// 15 blanks, a label in 17 and an amount in 13: the adjustment and total
// lines of the second copy.
std::string amount_line(std::string_view label, util::Money amount) {
    return std::string(15, ' ') + left_in(label, 17) + right_in(util::to_br(amount), 13);
}

void item_lines(std::vector<std::string>& out, const SecondCopyItem& it) {
    out.push_back(
        util::trim_right(left_in(util::trim(it.code), 14) + " " + slice(it.description, 0, 30)));
    const std::string rest = util::trim(slice(it.description, 30, 30));
    if (!rest.empty()) out.push_back(std::string(15, ' ') + rest);
    out.push_back(right_in(util::to_br(it.quantity), 14) + " " + left_in(util::trim(it.unit), 6) +
                  right_in(util::to_br(it.unit_price), 12) + right_in(util::to_br(it.total), 12));
    if (it.cancelled) {
        out.push_back(centred("*** ITEM CANCELADO - VALOR: " + util::to_br(it.total) + " ***",
                              kSecondCopyWidth));
        return;
    }
    // An item may carry both; showing both keeps the copy adding up.
    if (!it.surcharge.is_zero()) out.push_back(amount_line("Acrescimo no item", it.surcharge));
    if (!it.discount.is_zero()) out.push_back(amount_line("Desconto no item", -it.discount));
}

}  // namespace

util::Money CreditSale::credit_total() const {
    util::Money total;
    for (const auto& i : instalments) total += i.amount;
    return total;
}

std::vector<std::string> instalment_lines(const std::vector<Instalment>& instalments) {
    std::vector<std::string> out = {"PARC   VENCIMENTO        VALOR"};
    int number = 0;
    for (const auto& i : instalments)
        out.push_back(util::zero_filled(++number, 4) + "   " + short_date(i.due) + " " +
                      right_in(util::to_br(i.amount), 12));
    return out;
}

std::vector<std::string> promissory_note_lines(const CreditSale& sale) {
    std::vector<std::string> out = {"", "*** N O T A   P R O M I S S O R I A  ***", ""};
    append(out, wrap_words(note_paragraph(sale), kNoteWidth));
    out.push_back("");
    out = centred_each(out, kNoteWidth);
    append(out, centred_block(instalment_lines(sale.instalments), kNoteWidth));
    std::vector<std::string> tail = {""};
    append(tail, client_block(sale));
    append(tail, signature(sale));
    append(out, centred_each(tail, kNoteWidth));
    return out;
}

std::vector<std::string> debt_acknowledgement_lines(const CreditSale& sale,
                                                    std::string_view printer_name) {
    std::vector<std::string> out = {"",
                                    util::trim(printer_name),
                                    "",
                                    "RECONHECO E PAGAREI A DIVIDA  CONFORME",
                                    "VENCTOS E VALORES ABAIXO RELACIONADOS:",
                                    ""};
    out = centred_each(out, kAcknowledgementWidth);
    append(out, centred_block(instalment_lines(sale.instalments), kAcknowledgementWidth));
    append(out, centred_each(signature(sale), kAcknowledgementWidth));
    return out;
}

std::vector<std::string> second_copy_lines(const SecondCopy& copy) {
    const std::string rule(kSecondCopyWidth, '-');
    std::vector<std::string> out = {
        rule,
        centred("2ª VIA - CUPOM FISCAL # " + std::to_string(copy.coo), kSecondCopyWidth),
        rule,
        left_in("Codigo", 14) + " Descrição Produto",
        right_in("Quantidade", 14) + " Und   " + right_in("Unitário", 12) +
            right_in("Total Item", 12),
        rule,
    };
    for (const auto& it : copy.items) item_lines(out, it);
    out.push_back(rule);
    if (!copy.surcharge.is_zero()) out.push_back(amount_line("ACRESCIMO", copy.surcharge));
    if (!copy.discount.is_zero()) out.push_back(amount_line("DESCONTO", -copy.discount));
    out.push_back(amount_line("T O T A L", copy.total));
    out.push_back(rule);
    if (copy.client) {
        const DocumentClient& c = *copy.client;
        out.push_back(spaced({c.cgcpf, c.razao}));
        out.push_back(address_line(c));
        out.push_back(util::trim(c.bairr) + " - " + spaced({c.municipio, c.estado}));
        out.push_back(rule);
    }
    return out;
}

}  // namespace balcora::sale
