#include "reports/sales_report.h"

#include "db/literals.h"
#include "db/sql_runner.h"
#include "globals/globals.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <unordered_map>

namespace balcora::reports {

namespace {

using util::Money;
using util::Quantity;

std::string two_digits(int n) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", n);
    return b;
}

std::string coo_text(std::string_view numero) {
    const auto n = util::read_integer(numero).value;
    char b[24];
    std::snprintf(b, sizeof b, "%08lld", static_cast<long long>(n));
    return b;
}

Money money(std::string_view text) {
    return util::read_number<2>(text).value;
}

// Column `name` of a "SELECT *" result; -1 when the table has no such column.
int column(const db::PgResult& r, const char* name) {
    return PQfnumber(r.get(), name);
}

std::string_view cell(const db::PgResult& r, int row, int col) {
    return col < 0 ? std::string_view{} : r.value(row, col);
}

// The ids of a column as an SQL array literal, for one look-up of every name
// a listing needs instead of one query per row.
std::string id_array(const db::PgResult& r, int col) {
    std::string out = "'{";
    bool first = true;
    for (int i = 0; i < r.rows(); ++i) {
        const auto id = util::read_integer(r.value(i, col));
        if (!id.valid) continue;
        if (!first) out += ',';
        out += std::to_string(id.value);
        first = false;
    }
    return out + "}'";
}

std::optional<std::unordered_map<std::int64_t, std::string>> customer_names(
    const db::PgResult& coupons, int col) {
    std::unordered_map<std::int64_t, std::string> names;
    auto r = db::run_sql("SELECT id_cliente,nome FROM balcora.cliente WHERE id_cliente = ANY(" +
                         id_array(coupons, col) + "::integer[])");
    if (!r) return std::nullopt;
    for (int i = 0; i < r->rows(); ++i)
        names[util::read_integer(r->value(i, 0)).value] = util::trim(r->value(i, 1));
    return names;
}

std::string customer_of(const std::unordered_map<std::int64_t, std::string>& names,
                        std::string_view id) {
    const auto it = names.find(util::read_integer(id).value);
    return it == names.end() ? "Consumidor" : it->second;
}

std::string period_filter(const SalesReport& report, std::string_view table) {
    const std::string t(table);
    return t + "data>=" + DTSQL(report.first) + " AND " + t + "data<=" + DTSQL(report.last);
}

bool read_payments(SalesReport& report) {
    auto r = db::run_sql(
        "select A.tipo,sum(A.valor-A.vl_troco) FROM balcora.cfiscalfp AS A LEFT OUTER JOIN "
        "balcora.cfiscal AS B ON (A.id_cfiscal=B.id_cfiscal) WHERE B.situacao='E' AND "
        "coalesce(A.cancelada, 0)=0 AND " +
        period_filter(report, "B.") + " GROUP BY A.tipo");
    if (!r) return false;
    std::map<std::string, Money> by_code;  // one line per code, in code order
    for (int i = 0; i < r->rows(); ++i)
        by_code[util::trim(r->value(i, 0))] += money(r->value(i, 1));
    for (const auto& [code, amount] : by_code) {
        report.payments.push_back({code, payment_form_name(code), amount});
        report.payments_total += amount;
    }
    return true;
}

bool read_sales_per_day(SalesReport& report) {
    auto r = db::run_sql("SELECT data,sum(total) FROM balcora.cfiscal WHERE situacao='E' AND " +
                         period_filter(report, "") + " GROUP BY data ORDER BY data");
    if (!r) return false;
    for (int i = 0; i < r->rows(); ++i)
        report.sales_per_day.push_back(
            {util::parse_iso_date(r->value(i, 0)), money(r->value(i, 1))});
    return true;
}

bool read_summary(SalesReport& report) {
    report.columns = {{"Venda", 8, false},
                      {"Data", 10, false},
                      {"Situação", 9, false},
                      {"Cliente", 30, false},
                      {"Total", 15, true}};
    auto r = db::run_sql(
        "SELECT numero,to_char(data,'DD/MM/YYYY'),situacao,id_cliente,total FROM balcora.cfiscal "
        "WHERE situacao in ('E') AND " +
        period_filter(report, "") + " ORDER BY data,numero");
    if (!r) return false;
    const auto names = customer_names(*r, 3);
    if (!names) return false;
    for (int i = 0; i < r->rows(); ++i) {
        const Money total = money(r->value(i, 4));
        report.sales_total += total;
        report.lines.push_back({ReportLine::Kind::kRow,
                                {coo_text(r->value(i, 0)), std::string(r->value(i, 1)),
                                 util::trim(r->value(i, 2)) == "E" ? "Emitido" : "Cancelado",
                                 customer_of(*names, r->value(i, 3)), util::to_br(total)}});
    }
    report.totals = {"Total => " + util::to_br(report.sales_total)};
    report.prints_payments = true;
    return true;
}

bool read_by_product(SalesReport& report) {
    report.columns = {{"Produto", 8, true}, {"Código", 14, false},    {"Descrição", 34, false},
                      {"Unid.", 6, false},  {"Quantidade", 14, true}, {"Valor", 15, true}};
    auto r = db::run_sql(
        "select A.id_produto,sum(A.qtdade),sum(CASE WHEN (B.total+B.vl_desconto-B.vl_acrescimo)=0 "
        "THEN 0 ELSE ((A.total-A.vl_desconto+A.vl_acrescimo)*B.total/"
        "(B.total+B.vl_desconto-B.vl_acrescimo)) END) FROM balcora.cfiscald AS A LEFT OUTER JOIN "
        "balcora.cfiscal AS B ON (A.id_cfiscal=B.id_cfiscal) WHERE B.situacao='E' AND " +
        period_filter(report, "B.") +
        " AND A.item_cancelado=0 GROUP BY A.id_produto ORDER BY A.id_produto");
    if (!r) return false;
    auto p = db::run_sql(
        "SELECT id_produto,codigo,descricao,unidade FROM balcora.produto WHERE id_produto = ANY(" +
        id_array(*r, 0) + "::integer[])");
    if (!p) return false;
    std::unordered_map<std::int64_t, int> product_row;
    for (int i = 0; i < p->rows(); ++i) product_row[util::read_integer(p->value(i, 0)).value] = i;
    for (int i = 0; i < r->rows(); ++i) {
        const auto quantity = util::read_number<3>(r->value(i, 1)).value;
        const Money value = money(r->value(i, 2));
        report.quantity_total += quantity;
        report.sales_total += value;
        std::vector<std::string> cells{std::string(r->value(i, 0)), "", "", ""};
        if (const auto it = product_row.find(util::read_integer(r->value(i, 0)).value);
            it != product_row.end())
            for (int k = 1; k <= 3; ++k) cells[k] = util::trim(p->value(it->second, k));
        cells.push_back(util::to_br(quantity));
        cells.push_back(util::to_br(value));
        report.lines.push_back({ReportLine::Kind::kRow, std::move(cells)});
    }
    report.totals = {"Quantidade total => " + util::to_br(report.quantity_total),
                     "Total => " + util::to_br(report.sales_total)};
    return true;
}

bool read_detailed(SalesReport& report) {
    report.columns = {{"Venda", 8, false},    {"Data", 10, false},     {"Cliente", 30, false},
                      {"Desconto", 12, true}, {"Acréscimo", 12, true}, {"Total", 15, true}};
    report.item_columns = {{"Item", 4, true},        {"Produto", 8, true}, {"Descrição", 30, false},
                           {"Quantidade", 12, true}, {"Preço", 12, true},  {"Total", 15, true}};
    auto r = db::run_sql("SELECT * FROM balcora.cfiscal WHERE situacao in ('E') AND " +
                         period_filter(report, "") + " ORDER BY data,numero");
    if (!r) return false;
    const int c_id = column(*r, "id_cfiscal"), c_numero = column(*r, "numero"),
              c_data = column(*r, "data"), c_cliente = column(*r, "id_cliente"),
              c_desc = column(*r, "vl_desconto"), c_acres = column(*r, "vl_acrescimo"),
              c_total = column(*r, "total");
    const auto names = customer_names(*r, c_cliente);
    if (!names) return false;
    for (int i = 0; i < r->rows(); ++i) {
        const Money total = money(r->value(i, c_total));
        report.sales_total += total;
        report.lines.push_back(
            {ReportLine::Kind::kCoupon,
             {coo_text(r->value(i, c_numero)),
              util::br_date(util::parse_iso_date(cell(*r, i, c_data))),
              customer_of(*names, r->value(i, c_cliente)), util::to_br(money(cell(*r, i, c_desc))),
              util::to_br(money(cell(*r, i, c_acres))), util::to_br(total)}});
        auto items = db::run_sql("SELECT * FROM balcora.cfiscald WHERE id_cfiscal = " +
                                 std::string(r->value(i, c_id)) + " ORDER BY num_item");
        if (!items) return false;
        const int i_num = column(*items, "num_item"), i_prod = column(*items, "id_produto"),
                  i_desc = column(*items, "descricao"), i_qty = column(*items, "qtdade"),
                  i_price = column(*items, "preco"), i_total = column(*items, "total"),
                  i_cancel = column(*items, "item_cancelado");
        for (int k = 0; k < items->rows(); ++k) {
            std::string description = util::trim(cell(*items, k, i_desc));
            if (util::read_integer(cell(*items, k, i_cancel)).value != 0)
                description += " (cancelado)";
            report.lines.push_back(
                {ReportLine::Kind::kItem,
                 {std::string(cell(*items, k, i_num)), std::string(cell(*items, k, i_prod)),
                  description, util::to_br(util::read_number<3>(cell(*items, k, i_qty)).value),
                  util::to_br(util::read_number<3>(cell(*items, k, i_price)).value),
                  util::to_br(money(cell(*items, k, i_total)))}});
        }
    }
    report.totals = {"Total => " + util::to_br(report.sales_total)};
    report.prints_payments = true;
    return true;
}

std::string company_name() {
    auto r = db::run_sql("SELECT razao_social,nome FROM balcora.empresa WHERE id_empresa=" +
                         std::to_string(glo::id_empresa));
    if (!r || r->rows() == 0) return {};
    std::string name = util::trim(r->value(0, 0));
    return name.empty() ? util::trim(r->value(0, 1)) : name;
}

}  // namespace

std::string payment_form_name(std::string_view code) {
    static const std::pair<const char*, const char*> kNames[] = {
        {"DI", "DINHEIRO"}, {"CH", "CHEQUE"},   {"CA", "CARTÃO"},
        {"VA", "VALE"},     {"CO", "CONVÊNIO"}, {"CR", "CREDIÁRIO"},
        {"TR", "TROCO"},    {"PI", "PIX"},      {"CC", "CONS.CHEQ"}};
    const std::string c = util::trim(code);
    for (const auto& [k, name] : kNames)
        if (c == k) return name;
    return "Desconhec";
}

std::optional<SalesReport> build_sales_report(SalesReportModel model, util::DayNumber first,
                                              util::DayNumber last,
                                              const platform::LocalTime& now) {
    SalesReport report;
    report.model = model;
    report.first = first;
    report.last = last;
    report.company = company_name();
    report.emitted = "Emitido em " + util::br_date(util::day_of(now)) + " às " +
                     two_digits(now.hour) + ":" + two_digits(now.minute);
    report.period = "Periodo de: " + util::br_date(first) + " até " + util::br_date(last);
    bool ok = false;
    switch (model) {
        case SalesReportModel::kSummary:
            report.title = "VENDAS RESUMIDO";
            ok = read_summary(report);
            break;
        case SalesReportModel::kSummaryText:
            report.title = "Vendas Resumido";
            ok = read_summary(report);
            break;
        case SalesReportModel::kByProduct:
            report.title = "VENDAS POR PRODUTO";
            ok = read_by_product(report);
            break;
        case SalesReportModel::kDetailed:
            report.title = "VENDAS DETALHADA";
            ok = read_detailed(report);
            break;
    }
    if (!ok || !read_payments(report) || !read_sales_per_day(report)) return std::nullopt;
    return report;
}

std::vector<std::string> summary_text_lines(const SalesReport& report) {
    // Venda 1-8, Data 10-19, Situação 21-29, Cliente 31-60, Total 61-75.
    constexpr std::size_t kWidth = 76;
    std::vector<std::string> out;
    out.push_back(util::fit_left(" Venda     Data      Situação  Cliente", kWidth - 6) + " Total");
    out.push_back(std::string(kWidth, '-'));
    for (const ReportLine& line : report.lines) {
        const auto& c = line.cells;
        out.push_back(" " + c[0] + " " + c[1] + " " + util::fit_left(c[2], 9) + " " +
                      util::fit_left(c[3], 30) + util::fit_right(c[4], 15));
    }
    out.push_back(std::string(kWidth, '-'));
    out.push_back(util::fit_right("Total => " + util::to_br(report.sales_total), kWidth));
    out.push_back("");
    out.push_back(" Forma      Valor");
    out.push_back("--------- ---------------");
    for (const PaymentLine& p : report.payments)
        out.push_back(util::fit_left(p.name, 9) + " " + util::fit_right(util::to_br(p.amount), 15));
    out.push_back("--------- ---------------");
    out.push_back(util::fit_left("Total", 9) + " " +
                  util::fit_right(util::to_br(report.payments_total), 15));
    return out;
}

}  // namespace balcora::reports
