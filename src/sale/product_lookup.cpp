#include "sale/product_lookup.h"

#include "db/literals.h"
#include "db/settings.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "util/ean.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <algorithm>
#include <array>
#include <vector>

namespace balcora::sale {

namespace {

bool all_digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string zero_filled(std::string_view digits, std::size_t width) {
    return digits.size() >= width ? std::string(digits)
                                  : std::string(width - digits.size(), '0') + std::string(digits);
}

// Where each candidate stands in the result; the order of the lookup is
// decided in C++, so one query serves both screens.
enum Candidate : int {
    kTypedBarcode = 1,
    kFilledBarcode = 2,
    kTypedCode = 3,
    kSixDigitCode = 4,
    kAlternativeCode = 5,
    kLabelBarcode = 6,
    kLabelProductId = 7,
};

constexpr const char* kProductColumns =
    "p.id_produto, p.codigo, p.codigo_barras, p.descricao, p.unidade, p.iat, p.preco_venda1, "
    "p.preco_venda2, p.preco_venda3, p.ecf_st, p.ecf_aliquota, p.ecf_cod_st, p.ativo, "
    "p.taxa_comissao, p.cod_ncm, p.cest, p.aliq_pis, p.aliq_cofins, p.aliq_federal, "
    "p.aliq_estadual, p.aliq_municipal";

// Conditions written so that the case-insensitive unique indexes of produto
// serve them while the match stays exact.
std::string barcode_is(std::string_view code) {
    const std::string t = TXTSQL(code);
    return "lower(p.codigo_barras)=lower(" + t + ") AND trim(p.codigo_barras) <> '' AND " +
           "p.codigo_barras=" + t;
}

std::string internal_code_is(std::string_view code) {
    const std::string t = TXTSQL(code);
    return "lower(p.codigo)=lower(" + t + ") AND p.codigo=" + t;
}

std::string product_part(Candidate c, const std::string& condition) {
    return "(SELECT " + std::to_string(c) + " AS candidate, NULL::numeric AS factor, " +
           kProductColumns + " FROM balcora.produto p WHERE " + condition + " LIMIT 1)";
}

UnitPrice price(const db::SqlRecord& r, std::string_view column) {
    return util::read_number<3>(r.text(column)).value;
}

// The columns of kProductColumns.
Product read_product(const db::SqlRecord& r) {
    Product p;
    p.id_produto = static_cast<std::int32_t>(r.integer("id_produto"));
    p.codigo = util::trim(r.text("codigo"));
    p.codigo_barras = util::trim(r.text("codigo_barras"));
    p.descricao = util::trim_right(r.text("descricao"));
    p.unidade = util::trim(r.text("unidade"));
    p.iat = util::trim(r.text("iat"));
    p.preco_venda1 = price(r, "preco_venda1");
    p.preco_venda2 = price(r, "preco_venda2");
    p.preco_venda3 = price(r, "preco_venda3");
    p.ecf_st = util::trim(r.text("ecf_st"));
    p.ecf_aliquota = r.money("ecf_aliquota");
    p.ecf_cod_st = util::trim(r.text("ecf_cod_st"));
    p.ativo = r.is_null("ativo") || r.integer("ativo") != 0;
    p.taxa_comissao = r.money("taxa_comissao");
    p.cod_ncm = r.integer("cod_ncm");
    p.cest = r.integer("cest");
    p.aliq_pis = r.money("aliq_pis");
    p.aliq_cofins = r.money("aliq_cofins");
    p.aliq_federal = r.money("aliq_federal");
    p.aliq_estadual = r.money("aliq_estadual");
    p.aliq_municipal = r.money("aliq_municipal");
    return p;
}

}  // namespace

std::optional<Product> product_by_id(std::int32_t id_produto) {
    db::SqlRecord r;
    if (!db::read_rows(
            "SELECT 0, NULL::numeric, " + std::string(kProductColumns) +
                " FROM balcora.produto p WHERE p.id_produto=" + std::to_string(id_produto) + ";",
            r) ||
        !r.has_row())
        return std::nullopt;
    return read_product(r);
}

namespace {

struct Row {
    bool present = false;
    bool has_product = false;
    Product product;
    std::optional<util::Quantity> factor;  // alternative codes only
};

}  // namespace

UnitPrice Product::price(int table) const {
    if (table == 2) return preco_venda2;
    if (table == 3) return preco_venda3;
    return preco_venda1;
}

std::string Product::printed_code() const {
    return codigo_barras.empty() ? codigo : codigo_barras;
}

CodeEntry split_quantity_prefix(std::string_view typed) {
    const std::string text = util::trim(typed);
    CodeEntry entry;
    std::size_t at = text.find('*');
    std::optional<std::int64_t> units;
    if (at == std::string::npos) {
        at = text.find_first_of("xX");
        if (at != std::string::npos) {
            units = util::parse_units(text.substr(0, at), 3, util::ExcessDecimals::kRefuse);
            if (!units) at = std::string::npos;
        }
    } else {
        units = util::parse_units(text.substr(0, at), 3, util::ExcessDecimals::kRefuse);
    }
    if (at == std::string::npos) {
        entry.code = text;
        return entry;
    }
    entry.has_prefix = true;
    entry.code = util::trim(std::string_view(text).substr(at + 1));
    if (units && *units <= kMaxQuantity.units())
        entry.quantity = util::Quantity::from_units(*units);
    return entry;
}

std::optional<ScaleLabel> read_scale_label(std::string_view code, int product_digits) {
    if (code.size() != 13 || code[0] != '2' || !all_digits(code)) return std::nullopt;
    if (!util::gtin_check_digit_ok(code)) return std::nullopt;
    const std::size_t width = product_digits == 6 ? 6 : 4;
    const std::string product(code.substr(1, width));
    const std::string twelve = zero_filled(product, 12);
    ScaleLabel label;
    label.product_barcode = twelve + std::to_string(CALC_DV(twelve));
    label.product_number = static_cast<std::int32_t>(util::read_integer(product).value);
    label.value = static_cast<std::int32_t>(util::read_integer(code.substr(7, 5)).value);
    return label;
}

LookupSettings quick_sale_lookup_settings() {
    LookupSettings s;
    s.label_kind = registro_number("Configuração", "Etiqueta Balança", 1) == 2 ? LabelKind::kPrice
                                                                               : LabelKind::kWeight;
    s.label_product_digits =
        registro_number("Configuração", "Tamanho codigo prod pesado", 0) == 6 ? 6 : 4;
    return s;
}

LookupSettings coupon_form_lookup_settings() {
    LookupSettings s = quick_sale_lookup_settings();
    s.price_table =
        static_cast<int>(read_ini_number("ConsultaProduto", "TabPreco", 1, "ConsultaPAFECF.ini"));
    return s;
}

std::string lookup_statement(std::string_view code, LookupOrder, const LookupSettings& settings) {
    std::vector<std::string> parts;
    parts.push_back(product_part(kTypedBarcode, barcode_is(code)));
    const bool numeric = all_digits(code);
    if (numeric && code.size() < 14)
        parts.push_back(product_part(kFilledBarcode, barcode_is(zero_filled(code, 14))));
    parts.push_back(product_part(kTypedCode, internal_code_is(code)));
    if (numeric && code.size() < 6)
        parts.push_back(product_part(kSixDigitCode, internal_code_is(zero_filled(code, 6))));
    // Alternative codes are kept zero-filled to 14; rows written with the
    // code as printed on the pack are honoured too.
    if (numeric && code.size() <= 14)
        parts.push_back("(SELECT " + std::to_string(kAlternativeCode) +
                        " AS candidate, c.fator AS factor, " + kProductColumns +
                        " FROM balcora.codbarra c LEFT JOIN balcora.produto p ON "
                        "p.id_produto=c.id_produto WHERE c.codigo IN (" +
                        TXTSQL(zero_filled(code, 14)) + ", " + TXTSQL(code) +
                        ") ORDER BY length(c.codigo) DESC LIMIT 1)");
    if (auto label = read_scale_label(code, settings.label_product_digits)) {
        parts.push_back(product_part(kLabelBarcode, barcode_is(label->product_barcode)));
        parts.push_back(
            product_part(kLabelProductId, "p.id_produto=" + std::to_string(label->product_number)));
    }
    std::string sql;
    for (const auto& p : parts) sql += (sql.empty() ? "" : " UNION ALL ") + p;
    return sql + " ORDER BY 1;";
}

LookupResult look_up(std::string_view typed_code, LookupOrder order,
                     const LookupSettings& settings) {
    LookupResult result;
    result.code = util::trim(typed_code);
    const std::string& code = result.code;
    if (code.empty()) return result;

    db::SqlRecord r;
    // A scanned barcode is what the checkout sees most, and it wins in both
    // orders: one indexed lookup answers it before the whole search is
    // planned.
    if (!db::read_rows(product_part(kTypedBarcode, barcode_is(code)) + ";", r)) {
        result.outcome = LookupResult::Outcome::kLookupFailed;
        return result;
    }
    if (r.has_row() && !r.is_null("id_produto")) {
        result.product = read_product(r);
        result.outcome = LookupResult::Outcome::kFound;
        return result;
    }
    if (!db::read_rows(lookup_statement(code, order, settings), r)) {
        result.outcome = LookupResult::Outcome::kLookupFailed;
        return result;
    }
    std::array<Row, 8> rows;
    for (bool more = r.has_row(); more; more = r.next()) {
        const auto c = r.integer("candidate");
        if (c < 1 || c > 7) continue;
        Row& row = rows[c];
        row.present = true;
        row.has_product = !r.is_null("id_produto");
        if (row.has_product) row.product = read_product(r);
        if (c == kAlternativeCode) {
            auto factor = util::read_number<3>(r.text("factor"));
            // An alternative code without a factor stands for one unit.
            row.factor = factor.valid && !factor.value.is_zero() ? factor.value
                                                                 : util::Quantity::from_whole(1);
        }
    }

    auto take = [&](Candidate c) {
        if (!rows[c].has_product) return false;
        result.product = rows[c].product;
        result.outcome = LookupResult::Outcome::kFound;
        if (c == kAlternativeCode) result.code_quantity = rows[c].factor;
        return true;
    };
    auto label_step = [&]() -> bool {
        // A code the back office registered as an alternative code is never a label.
        auto label = read_scale_label(code, settings.label_product_digits);
        if (!label || rows[kAlternativeCode].present) return false;
        result.from_label = true;
        if (!take(kLabelBarcode) && !take(kLabelProductId)) {
            result.outcome = LookupResult::Outcome::kLabelProductNotFound;
            return true;
        }
        if (settings.label_kind == LabelKind::kWeight) {
            result.code_quantity = util::Quantity::from_units(label->value);
            return true;
        }
        const UnitPrice price = result.product.price(settings.price_table);
        const auto labelled = util::Money::from_units(label->value);
        auto quantity = price.units() > 0
                            ? util::truncate_to<3>(util::exact_quotient(labelled, price))
                            : std::nullopt;
        if (!quantity) {
            result.outcome = LookupResult::Outcome::kLabelWithoutPrice;
            return true;
        }
        result.code_quantity = *quantity;
        return true;
    };

    if (take(kTypedBarcode)) return result;
    if (order == LookupOrder::kQuickSale) {
        if (label_step()) return result;
        if (take(kFilledBarcode)) return result;
    } else {
        if (take(kFilledBarcode)) return result;
        if (label_step()) return result;
    }
    if (take(kTypedCode) || take(kSixDigitCode) || take(kAlternativeCode)) return result;
    result.outcome = LookupResult::Outcome::kNotFound;
    return result;
}

}  // namespace balcora::sale
