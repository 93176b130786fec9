#include "sale/sale_documents.h"

#include "db/settings.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "ecf/cp1252.h"
#include "globals/globals.h"
#include "sale/payment_coupon.h"
#include "sale/payment_forms.h"
#include "sale/sale_documents_printer.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <string>

namespace balcora::sale {

namespace {

constexpr std::size_t kPaymentNameWidth = 16;

util::Quantity quantity(const db::SqlRecord& r, std::string_view column) {
    return util::read_number<3>(r.text(column)).value;
}

std::optional<DocumentCompany> load_company() {
    db::SqlRecord r;
    if (!db::read_rows(
            "SELECT e.razao_social, e.cnpj, m.nome, m.estado FROM balcora.empresa e LEFT "
            "JOIN balcora.municipio m ON m.id_municipio=e.id_municipio WHERE "
            "e.id_empresa=" +
                std::to_string(glo::id_empresa) + ";",
            r))
        return std::nullopt;
    DocumentCompany c;
    if (!r.has_row()) return c;
    c.razao_social = util::trim(r.text("razao_social"));
    c.cnpj = util::trim(r.text("cnpj"));
    c.municipio = util::trim(r.text("nome"));
    c.estado = util::trim(r.text("estado"));
    return c;
}

bool load_instalments(std::int64_t id_cfiscal, std::vector<Instalment>& out) {
    db::SqlRecord r;
    if (!db::read_rows("SELECT data, valor FROM balcora.cfiscalfp WHERE id_cfiscal=" +
                           std::to_string(id_cfiscal) +
                           " AND tipo='CR' ORDER BY ordem, id_cfiscalfp;",
                       r))
        return false;
    for (bool more = r.has_row(); more; more = r.next())
        out.push_back({r.day("data"), r.money("valor")});
    return true;
}

bool load_items(std::int64_t id_cfiscal, std::vector<SecondCopyItem>& out) {
    db::SqlRecord r;
    if (!db::read_rows(
            "SELECT coalesce(nullif(trim(p.codigo_barras), ''), p.codigo) AS code, "
            "coalesce(p.descricao, d.descricao) AS description, "
            "coalesce(nullif(trim(p.unidade), ''), d.unidade) AS unit, d.qtdade, d.preco, "
            "d.total, d.vl_acrescimo, d.vl_desconto, d.item_cancelado FROM balcora.cfiscald d "
            "LEFT JOIN balcora.produto p ON p.id_produto=d.id_produto WHERE d.id_cfiscal=" +
                std::to_string(id_cfiscal) + " ORDER BY d.num_item;",
            r))
        return false;
    for (bool more = r.has_row(); more; more = r.next()) {
        SecondCopyItem it;
        it.code = util::trim(r.text("code"));
        it.description = util::trim_right(r.text("description"));
        it.unit = util::trim(r.text("unit"));
        it.quantity = quantity(r, "qtdade");
        it.unit_price = quantity(r, "preco");
        it.total = r.money("total");
        it.surcharge = r.money("vl_acrescimo");
        it.discount = r.money("vl_desconto");
        it.cancelled = r.integer("item_cancelado") != 0;
        out.push_back(std::move(it));
    }
    return true;
}

}  // namespace

// The client table keeps the house number in num_endereco and the identity
// card in ci2 (number) and orgex (issuing body).
bool load_document_client(std::int64_t id_cliente, std::optional<DocumentClient>& out) {
    out.reset();
    if (id_cliente <= 0) return true;
    db::SqlRecord r;
    if (!db::read_rows("SELECT c.razao, c.cgcpf, c.pesso, c.inscr, nullif(c.ci2, 0) AS ci2, "
                       "c.orgex, "
                       "c.ender, c.num_endereco, c.compl, c.bairr, m.nome, m.estado FROM "
                       "balcora.cliente c LEFT JOIN balcora.municipio m ON "
                       "m.id_municipio=c.id_municipio WHERE c.id_cliente=" +
                           std::to_string(id_cliente) + ";",
                       r))
        return false;
    if (!r.has_row()) return true;
    DocumentClient c;
    c.razao = util::trim(r.text("razao"));
    c.cgcpf = util::trim(r.text("cgcpf"));
    c.company = r.integer("pesso") == 1;
    c.inscr = util::trim(r.text("inscr"));
    c.identity = util::trim(util::trim(r.text("ci2")) + " " + util::trim(r.text("orgex")));
    c.ender = util::trim(r.text("ender"));
    c.house_number = util::trim(r.text("num_endereco"));
    c.complement = util::trim(r.text("compl"));
    c.bairr = util::trim(r.text("bairr"));
    c.municipio = util::trim(r.text("nome"));
    c.estado = util::trim(r.text("estado"));
    out = std::move(c);
    return true;
}

std::optional<CreditSale> load_credit_sale(std::int64_t id_cfiscal) {
    const auto head = load_payment_coupon(id_cfiscal);
    if (!head) return std::nullopt;
    const auto company = load_company();
    if (!company) return std::nullopt;
    CreditSale sale;
    sale.company = *company;
    sale.coo = head->numero;
    sale.ccf = head->num_ccf;
    if (!load_document_client(head->id_cliente, sale.client) ||
        !load_instalments(id_cfiscal, sale.instalments))
        return std::nullopt;
    return sale;
}

std::optional<SecondCopy> load_second_copy(std::int64_t id_cfiscal) {
    const auto head = load_payment_coupon(id_cfiscal);
    if (!head) return std::nullopt;
    SecondCopy copy;
    copy.coo = head->numero;
    copy.surcharge = head->vl_acrescimo;
    copy.discount = head->vl_desconto;
    copy.total = head->total;
    if (!load_document_client(head->id_cliente, copy.client) || !load_items(id_cfiscal, copy.items))
        return std::nullopt;
    return copy;
}

std::string store_credit_printer_name() {
    // The payment command carries 16 characters of the name; the voucher must
    // name the same payment method.
    return util::trim(ecf::fit(payment_printer_name("CR"), kPaymentNameWidth));
}

long long sale_document_setting() {
    return registro_number("Configuração", "Docto Venda Prazo", 1);
}

void print_sale_documents(std::int64_t id_cfiscal, std::string_view last_form_printer_name) {
    const long long document = sale_document_setting();
    const long long second_copy =
        registro_number("Configuração", "2ª Via em Relatório Gerencial", 0);

    if (document == 1 || document == 2) {
        const auto sale = load_credit_sale(id_cfiscal);
        if (!sale || sale->credit_total() <= util::Money{}) return;
        std::vector<std::string> lines =
            document == 1 ? promissory_note_lines(*sale)
                          : debt_acknowledgement_lines(*sale, last_form_printer_name);
        if (second_copy != 0) {
            const auto copy = load_second_copy(id_cfiscal);
            if (copy) {
                lines.push_back("");
                for (auto& l : second_copy_lines(*copy)) lines.push_back(std::move(l));
            }
        }
        print_credit_voucher({store_credit_printer_name(), sale->credit_total(), sale->coo,
                              static_cast<int>(sale->instalments.size())},
                             lines);
        return;
    }
    if (second_copy == 2) {
        if (const auto copy = load_second_copy(id_cfiscal))
            print_management_report(second_copy_lines(*copy));
    }
}

}  // namespace balcora::sale
