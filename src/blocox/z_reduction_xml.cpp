#include "blocox/z_reduction_xml.h"

#include "blocox/adjustment_split.h"
#include "blocox/xml_file_writer.h"
#include "db/literals.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <tuple>

namespace balcora::blocox {

namespace {

using util::Money;
using util::Quantity;

std::string field(const db::PgResult& r, int row, int col) {
    return util::trim(r.value(row, col));
}
Money money(const db::PgResult& r, int row, int col) {
    return util::read_number<2>(r.value(row, col)).value;
}
std::int64_t integer(const db::PgResult& r, int row, int col) {
    return util::read_integer(r.value(row, col)).value;
}

// The reduction's own row with its printer, model and company.
struct Reduction {
    util::DayNumber day = 0;
    std::string emitted_day, emitted_time;
    std::int64_t crz = 0, coo = 0, cro = 0;
    Money gross_sale, grand_total;
    bool printer_found = false, company_found = false;
    std::int32_t id_maqecf = 0;
    std::string serial, state_registration;
    bool nine_digit_coo = false;
};

std::optional<Reduction> load_reduction(std::int32_t id_reg60m) {
    const auto r = db::run_sql(
        "SELECT m.data, m.dt_emissao, to_char(m.hr_emissao,'HH24:MI:SS'), m.num_cont_red_z, "
        "m.num_coo, m.num_cont_reinicio, m.vl_venda_bruta, m.vl_tot_geral, q.id_maqecf, "
        "q.num_serie, e.id_empresa, e.inscr_estadual, coalesce(b.cv0909,0) "
        "FROM balcora.reg60m m LEFT JOIN balcora.maqecf q ON q.id_maqecf=m.id_maqecf "
        "LEFT JOIN balcora.empresa e ON e.id_empresa=q.id_empresa "
        "LEFT JOIN balcora.modecf b ON (q.cod_marca=b.cod_marca AND q.cod_modelo=b.cod_modelo "
        "AND q.cod_versao=b.cod_versao) WHERE m.id_reg60m=" +
        std::to_string(id_reg60m) + " ORDER BY b.id_modecf LIMIT 1;");
    if (!r) return std::nullopt;
    if (r->rows() == 0) {
        prompt().message("Aviso",
                         "Redução Z não encontrada (id " + std::to_string(id_reg60m) + ")!",
                         ui::Icon::kWarning);
        return std::nullopt;
    }
    Reduction z;
    z.day = util::parse_iso_date(r->value(0, 0));
    z.emitted_day = util::iso_date(util::parse_iso_date(r->value(0, 1)));
    z.emitted_time = field(*r, 0, 2);
    z.crz = integer(*r, 0, 3);
    z.coo = integer(*r, 0, 4);
    z.cro = integer(*r, 0, 5);
    z.gross_sale = money(*r, 0, 6);
    z.grand_total = money(*r, 0, 7);
    z.printer_found = !r->is_null(0, 8);
    z.id_maqecf = static_cast<std::int32_t>(integer(*r, 0, 8));
    z.serial = field(*r, 0, 9);
    z.company_found = !r->is_null(0, 10);
    z.state_registration = SOALFANUM(r->value(0, 11));
    z.nine_digit_coo = integer(*r, 0, 12) != 0;
    return z;
}

std::string cents_digits(Money m, int width) {
    // Amounts of a reduction are never negative; a damaged row still gives
    // a well-formed number rather than an empty element.
    return printer_digits(m, 2, width).value_or(util::zero_filled(m.units(), width));
}

// One product of a totalizer, with its share of the day's adjustments.
struct ProductLine {
    std::int32_t id_produto = 0;
    std::string description, unit;
    Quantity quantity;
    Money net;
    bool registered = false;
    std::string code, gtin;
    std::int64_t cest = 0, ncm = 0;
    Adjustments share;
};

struct Totalizer {
    std::string name;
    Money value;
    Adjustments share;
    std::vector<ProductLine> products;
};

ProductLine product_from(const db::PgResult& r, int row, int first) {
    ProductLine p;
    p.id_produto = static_cast<std::int32_t>(integer(r, row, first));
    p.description = util::cut_characters(util::trim(RETIRAACENTOS(r.value(row, first + 1))), 50);
    p.unit = util::trim(RETIRAACENTOS(r.value(row, first + 2)));
    p.quantity = util::read_number<3>(r.value(row, first + 3)).value;
    p.net = money(r, row, first + 4);
    p.registered = !r.is_null(row, first + 5);
    p.code = field(r, row, first + 6);
    p.gtin = field(r, row, first + 7);
    p.cest = integer(r, row, first + 8);
    p.ncm = integer(r, row, first + 9);
    return p;
}

// The day's products per totalizer from the coupons of one state, with
// their registration. Only the coupons of the reduction's own printer: where
// several checkouts share the database, the others' sales are not in this
// reduction. Grouping before the product join keeps the server's estimate,
// and its plan, that of the plain aggregation.
std::optional<db::PgResult> day_products(const Reduction& z, const char* situacao,
                                         const char* value, const char* order) {
    return db::run_sql(
        std::string("WITH s AS (SELECT a.totalizador, a.id_produto, a.descricao, a.unidade, "
                    "sum(a.qtdade) AS q, sum(a.") +
        value +
        ") AS v FROM balcora.cfiscald a JOIN balcora.cfiscal b ON a.id_cfiscal=b.id_cfiscal "
        "WHERE b.data=" +
        DTSQL(z.day) + " AND b.situacao='" + situacao + "'" +
        (situacao[0] == 'E' ? " AND a.item_cancelado=0" : "") +
        " AND b.id_maqecf=" + std::to_string(z.id_maqecf) +
        " GROUP BY a.totalizador, a.id_produto, a.descricao, a.unidade) "
        "SELECT s.totalizador, s.id_produto, s.descricao, s.unidade, s.q, s.v, p.id_produto, "
        "p.codigo, p.codigo_barras, coalesce(p.cest,0), coalesce(p.cod_ncm,0) FROM s "
        "LEFT JOIN balcora.produto p ON p.id_produto=s.id_produto ORDER BY " +
        order + ";");
}

// The day's sold products, by totalizer, smallest net value first.
std::optional<std::map<std::string, std::vector<ProductLine>>> sold_products(const Reduction& z) {
    const auto r = day_products(z, "E", "vl_base", "s.v, s.id_produto");
    if (!r) return std::nullopt;
    std::map<std::string, std::vector<ProductLine>> by_totalizer;
    for (int i = 0; i < r->rows(); ++i)
        by_totalizer[field(*r, i, 0)].push_back(product_from(*r, i, 1));
    return by_totalizer;
}

bool is_adjustment(const std::string& code) {
    static const std::set<std::string> kCodes{"CANC", "CanS", "DESC", "DS", "AT", "AS"};
    return kCodes.count(code) != 0;
}

std::optional<std::vector<Totalizer>> split_day(std::int32_t id_reg60m) {
    const auto r = db::run_sql(
        "SELECT st_aliq, totalizador, vl_acumulado FROM balcora.reg60a WHERE id_reg60m=" +
        std::to_string(id_reg60m) + " ORDER BY totalizador;");
    if (!r) return std::nullopt;
    Adjustments day;
    Money base;
    std::vector<Totalizer> taxed;
    for (int i = 0; i < r->rows(); ++i) {
        const std::string code = field(*r, i, 0);
        const Money v = money(*r, i, 2);
        if (code == "CANC")
            day.cancellations = v;
        else if (code == "DESC")
            day.discounts = v;
        else if (code == "AT")
            day.surcharges = v;
        else
            base += v;
        if (!is_adjustment(code)) taxed.push_back({field(*r, i, 1), v, {}, {}});
    }
    // The largest totalizer takes the cents left over.
    std::vector<std::size_t> ascending(taxed.size());
    for (std::size_t k = 0; k < taxed.size(); ++k) ascending[k] = k;
    std::stable_sort(ascending.begin(), ascending.end(),
                     [&](std::size_t a, std::size_t b) { return taxed[a].value < taxed[b].value; });
    std::vector<Money> values;
    for (std::size_t k : ascending) values.push_back(taxed[k].value);
    const auto shares = split_adjustments(values, base, day);
    for (std::size_t k = 0; k < ascending.size(); ++k) taxed[ascending[k]].share = shares[k];
    return taxed;
}

void split_over_products(Totalizer& t) {
    std::vector<Money> values;
    for (const ProductLine& p : t.products) values.push_back(p.net);
    const auto shares = split_adjustments(values, t.value, t.share);
    for (std::size_t k = 0; k < shares.size(); ++k) t.products[k].share = shares[k];
}

void write_product(XmlFileWriter& w, const ProductLine& p, std::set<std::int32_t>& without_ncm) {
    w.open("Produto");
    w.leaf("Descricao", p.description);
    w.leaf("CodigoGTIN", p.registered ? p.gtin : "");
    w.leaf("CodigoCEST", p.registered && p.cest != 0 ? util::zero_filled(p.cest, 7) : "");
    if (p.registered && p.ncm != 0)
        w.leaf("CodigoNCMSH", std::to_string(p.ncm));
    else
        without_ncm.insert(p.id_produto);
    w.leaf("CodigoProprio", p.registered ? p.code : "");
    w.leaf("Quantidade", format_number(p.quantity, 3));
    w.leaf("Unidade", p.unit);
    w.leaf("ValorDesconto", format_number(p.share.discounts, 2));
    w.leaf("ValorAcrescimo", format_number(p.share.surcharges, 2));
    w.leaf("ValorCancelamento", format_number(p.share.cancellations, 2));
    w.leaf("ValorTotalLiquido", format_number(p.net, 2));
    w.close();
}

void write_totalizer(XmlFileWriter& w, const Totalizer& t, std::vector<ProductLine> products,
                     std::set<std::int32_t>& without_ncm) {
    w.open("TotalizadorParcial");
    w.leaf("Nome", t.name);
    w.leaf("Valor", format_number(t.value, 2));
    w.open("ProdutosServicos");
    for (const ProductLine& p : products) write_product(w, p, without_ncm);
    w.close();
    w.close();
}

// A day with no tax totalizer: the totalizers of the cancelled coupons, or,
// without any sale, every tax configuration of the products.
std::optional<std::vector<Totalizer>> fallback_totalizers(const Reduction& z) {
    std::vector<Totalizer> out;
    if (z.gross_sale > Money{}) {
        const auto r = day_products(z, "C", "total", "s.totalizador, s.v, s.id_produto");
        if (!r) return std::nullopt;
        for (int i = 0; i < r->rows(); ++i) {
            const std::string name = field(*r, i, 0);
            if (out.empty() || out.back().name != name) out.push_back({name, {}, {}, {}});
            ProductLine p = product_from(*r, i, 1);
            // A cancelled coupon sold nothing: its whole value is cancelled.
            p.share.cancellations = p.net;
            p.net = Money{};
            out.back().products.push_back(std::move(p));
        }
        return out;
    }
    const auto r =
        db::run_sql("SELECT DISTINCT ecf_st, ecf_aliquota, ecf_cod_st FROM balcora.produto;");
    if (!r) return std::nullopt;
    std::set<std::string> names;
    for (int i = 0; i < r->rows(); ++i) {
        const std::string st = field(*r, i, 0);
        const Money rate = money(*r, i, 1);
        if (rate > Money{} && (st == "T" || st == "S"))
            names.insert(util::zero_filled(integer(*r, i, 2), 2) + st +
                         util::zero_filled(rate.units(), 4));
        else if (st == "F" || st == "I" || st == "N")
            names.insert(st + "1");
    }
    for (const std::string& n : names) out.push_back({n, {}, {}, {}});
    return out;
}

bool write_day(XmlFileWriter& w, const Reduction& z, std::int32_t id_reg60m,
               std::set<std::int32_t>& without_ncm) {
    w.open("DadosReducaoZ");
    w.leaf("DataReferencia", util::iso_date(z.day));
    w.leaf("DataHoraEmissao", z.emitted_day + "T" + z.emitted_time);
    w.leaf("CRZ", util::zero_filled(z.crz, 4));
    w.leaf("COO", util::zero_filled(z.coo, z.nine_digit_coo ? 9 : 6));
    w.leaf("CRO", util::zero_filled(z.cro, 3));
    w.leaf("VendaBrutaDiaria", cents_digits(z.gross_sale, 14));
    w.leaf("GT", cents_digits(z.grand_total, 18));
    w.open("TotalizadoresParciais");
    auto totalizers = split_day(id_reg60m);
    if (!totalizers) return false;
    if (!totalizers->empty()) {
        auto sold = sold_products(z);
        if (!sold) return false;
        for (Totalizer& t : *totalizers) {
            t.products = std::move((*sold)[t.name]);
            split_over_products(t);
            std::vector<ProductLine> by_id = t.products;
            std::stable_sort(by_id.begin(), by_id.end(), [](const auto& a, const auto& b) {
                return std::tie(a.id_produto, a.description, a.unit) <
                       std::tie(b.id_produto, b.description, b.unit);
            });
            write_totalizer(w, t, std::move(by_id), without_ncm);
        }
    } else {
        auto fallback = fallback_totalizers(z);
        if (!fallback) return false;
        for (Totalizer& t : *fallback) write_totalizer(w, t, t.products, without_ncm);
    }
    w.close();
    w.close();
    return true;
}

}  // namespace

ZReductionXml generate_z_reduction_xml(std::int32_t id_reg60m) {
    ZReductionXml out;
    const auto z = load_reduction(id_reg60m);
    if (!z) return out;
    out.path = z_reduction_xml_path(z->day);
    if (!z->printer_found) {
        prompt().message("Aviso", "Erro ao carregar informações do ecf", ui::Icon::kWarning);
        return out;
    }
    if (!z->company_found) {
        prompt().message("Aviso", "Erro ao ler empresa!", ui::Icon::kWarning);
        return out;
    }
    const std::string accreditation =
        util::trim(LEREGISTRO("balcora", "Desenvolvedor PAF-ECF", "num_credenciamento"));

    XmlFileWriter w;
    if (!w.create_or_report(out.path)) return out;
    std::set<std::int32_t> without_ncm;
    w.open("ReducaoZ");
    w.attribute("Versao", "1.0");
    w.open("Mensagem");
    w.open("Estabelecimento");
    w.leaf("Ie", z->state_registration);
    w.close();
    w.open("PafEcf");
    w.leaf("NumeroCredenciamento", accreditation);
    w.close();
    w.open("Ecf");
    w.leaf("NumeroFabricacao", z->serial);
    if (!write_day(w, *z, id_reg60m, without_ncm)) return out;
    if (!w.finish()) return out;
    out.ok = true;
    out.products_without_ncm.assign(without_ncm.begin(), without_ncm.end());
    return out;
}

}  // namespace balcora::blocox
