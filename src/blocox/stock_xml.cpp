#include "blocox/stock_xml.h"

#include "blocox/xml_file_writer.h"
#include "blocox/z_reduction_xml.h"
#include "db/literals.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <algorithm>
#include <cstdio>
#include <string>

namespace balcora::blocox {

namespace {

using util::Money;
using util::Quantity;

std::string field(const db::PgResult& r, int row, int col) {
    return util::trim(r.value(row, col));
}
std::int64_t integer(const db::PgResult& r, int row, int col) {
    return util::read_integer(r.value(row, col)).value;
}

// Rows of a company's inventory: those of no company were loaded by a back
// office that keeps one company per database.
std::string inventory_filter(std::int32_t id_empresa, util::DayNumber day) {
    return " WHERE i.data=" + DTSQL(day) + " AND coalesce(i.id_empresa,0) IN (0," +
           std::to_string(id_empresa) + ")";
}

struct TaxSituation {
    const char* text;
    bool with_rate;
};

std::optional<TaxSituation> tax_situation(const std::string& st) {
    if (st == "I") return TaxSituation{"Isento", false};
    if (st == "N") return TaxSituation{"Nao tributado", false};
    if (st == "F") return TaxSituation{"Substituicao tributaria", false};
    if (st == "T") return TaxSituation{"Tributado pelo ICMS", true};
    if (st == "S") return TaxSituation{"Tributado pelo ISSQN", true};
    return std::nullopt;
}

// The rate in five characters, right-aligned: " 7,00", "18,00".
std::string rate_text(Money rate) {
    std::string t = format_number(rate, 2);
    if (t.size() < 5) t.insert(0, 5 - t.size(), ' ');
    return t;
}

void write_stock_product(XmlFileWriter& w, const db::PgResult& r, int i, StockErrors& errors) {
    const std::int32_t id = static_cast<std::int32_t>(integer(r, i, 0));
    const Quantity qty = util::read_number<3>(r.value(i, 1)).value;
    const Money value = util::read_number<2>(r.value(i, 2)).value;
    const bool registered = !r.is_null(i, 8);
    const std::string st = field(r, i, 13), cod_st = field(r, i, 15);
    const std::int64_t cest = integer(r, i, 11), ncm = integer(r, i, 12);
    if (!registered) {
        errors.add(id, StockFault::kNoProduct);
    } else {
        if (cest == 0 && cod_st == "FF") errors.add(id, StockFault::kNoCest);
        if (ncm == 0) errors.add(id, StockFault::kNoNcm);
        if (!tax_situation(st)) errors.add(id, StockFault::kNoTaxSituation);
    }
    w.open("Produto");
    w.leaf("Descricao", util::trim(RETIRAACENTOS(r.value(i, 9))));
    w.leaf("CodigoGTIN", field(r, i, 10));
    w.leaf("CodigoCEST", cest != 0 ? std::to_string(cest) : "");
    if (ncm != 0) w.leaf("CodigoNCMSH", std::to_string(ncm));
    w.leaf("CodigoProprio", field(r, i, 8));
    w.leaf("Quantidade", format_number(qty, 3));
    w.leaf("QuantidadeTotalAquisicao", format_number(util::read_number<3>(r.value(i, 3)).value, 3));
    w.leaf("Unidade", util::trim(RETIRAACENTOS(r.value(i, 16))));
    const Quantity unit_value =
        qty.is_zero()
            ? Quantity{}
            : util::round_half_up_to<3>(util::exact_quotient(value, qty)).value_or(Quantity{});
    w.leaf("ValorUnitario", format_number(unit_value, 3));
    w.leaf("ValorTotalAquisicao", format_number(util::read_number<2>(r.value(i, 4)).value, 2));
    w.leaf("ValorTotalICMSDebitoFornecedor",
           format_number(util::read_number<2>(r.value(i, 5)).value, 2));
    w.leaf("ValorBaseCalculoICMSST", format_number(util::read_number<2>(r.value(i, 6)).value, 2));
    w.leaf("ValorTotalICMSST", format_number(util::read_number<2>(r.value(i, 7)).value, 2));
    if (const auto situation = tax_situation(st)) {
        w.leaf("SituacaoTributaria", situation->text);
        w.leaf("Aliquota",
               situation->with_rate ? rate_text(util::read_number<2>(r.value(i, 14)).value) : "");
    }
    w.leaf("IsArredondado", "0");
    w.leaf("Ippt", field(r, i, 17) == "P" ? "Proprio" : "Terceiros");
    w.leaf("SituacaoEstoque", qty < Quantity{} ? "Negativo" : "Positivo");
    w.close();
}

}  // namespace

const char* fault_code(StockFault fault) {
    switch (fault) {
        case StockFault::kNoProduct:
            return "PRO";
        case StockFault::kNoTaxSituation:
            return "ST";
        case StockFault::kNoNcm:
            return "NCM";
        case StockFault::kNoCest:
            return "CEST";
    }
    return "";
}

const char* fault_text(StockFault fault) {
    switch (fault) {
        case StockFault::kNoProduct:
            return "Produtos no Inventário sem cadastro de produto!";
        case StockFault::kNoTaxSituation:
            return "Produtos sem ST cadastrado!";
        case StockFault::kNoNcm:
            return "Produtos sem NCM cadastrado!";
        case StockFault::kNoCest:
            return "Produtos sem CEST cadastrado!";
    }
    return "";
}

void StockErrors::add(std::int32_t id_produto, StockFault fault) {
    const StockError e{id_produto, fault};
    if (std::find(entries_.begin(), entries_.end(), e) == entries_.end()) entries_.push_back(e);
}

std::vector<StockError> StockErrors::sorted() const {
    std::vector<StockError> out = entries_;
    std::sort(out.begin(), out.end(), [](const StockError& a, const StockError& b) {
        if (a.id_produto != b.id_produto) return a.id_produto < b.id_produto;
        return std::string_view(fault_text(a.fault)) < std::string_view(fault_text(b.fault));
    });
    return out;
}

std::vector<std::string> StockErrors::report_lines() const {
    std::vector<std::string> lines;
    for (const StockError& e : sorted()) {
        char id[16];
        std::snprintf(id, sizeof id, "%07d", e.id_produto);
        lines.push_back(std::string(id) + " - " + fault_text(e.fault));
    }
    return lines;
}

std::optional<bool> inventory_exists(const StockPeriod& period) {
    const auto r = db::run_sql("SELECT count(*) FROM balcora.estinventario i" +
                               inventory_filter(period.id_empresa, reference_day(period)) + ";");
    if (!r) return std::nullopt;
    return integer(*r, 0, 0) > 0;
}

std::optional<std::filesystem::path> generate_stock_xml(const StockPeriod& period,
                                                        StockErrors& errors) {
    const auto company =
        db::run_sql("SELECT inscr_estadual FROM balcora.empresa WHERE id_empresa=" +
                    std::to_string(period.id_empresa) + ";");
    if (!company) return std::nullopt;
    if (company->rows() == 0) {
        prompt().message("Aviso", "Erro ao ler empresa!", ui::Icon::kWarning);
        return std::nullopt;
    }
    const util::DayNumber day = reference_day(period);
    const auto rows = db::run_sql(
        "SELECT i.id_produto, i.qtdade, i.valor, i.qt_tot_aquisicao, i.vl_tot_aquisicao, "
        "i.vl_tot_icmsdebforne, i.vl_bc_calcicmsst, i.vl_tot_icmsst, p.codigo, p.descricao, "
        "p.codigo_barras, coalesce(p.cest,0), coalesce(p.cod_ncm,0), p.ecf_st, p.ecf_aliquota, "
        "p.ecf_cod_st, p.unidade, p.ippt FROM balcora.estinventario i "
        "LEFT JOIN balcora.produto p ON p.id_produto=i.id_produto" +
        inventory_filter(period.id_empresa, day) + " ORDER BY i.id_estinventario;");
    if (!rows) return std::nullopt;

    const std::filesystem::path path = stock_xml_path(period.periodo);
    XmlFileWriter w;
    if (!w.create_or_report(path)) return std::nullopt;
    w.open("Estoque");
    w.attribute("Versao", "1.0");
    w.open("Mensagem");
    w.open("Estabelecimento");
    w.leaf("Ie", SOALFANUM(company->value(0, 0)));
    w.close();
    w.open("PafEcf");
    w.leaf("NumeroCredenciamento",
           util::trim(LEREGISTRO("balcora", "Desenvolvedor PAF-ECF", "num_credenciamento")));
    w.close();
    w.open("DadosEstoque");
    w.leaf("DataReferencia", util::iso_date(day));
    w.open("Produtos");
    for (int i = 0; i < rows->rows(); ++i) write_stock_product(w, *rows, i, errors);
    if (!w.finish()) return std::nullopt;
    return path;
}

}  // namespace balcora::blocox
