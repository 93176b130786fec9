#include "forms/product_query.h"

#include "db/literals.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "forms/lookup_filter.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <charconv>
#include <cstdio>
#include <initializer_list>
#include <limits>

namespace balcora::forms {

namespace {

constexpr std::size_t kKeys = 4;

std::size_t slot(ProductKey key) {
    return static_cast<std::size_t>(key) - 1;
}

bool all_digits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// The code as a number when it is one that fits 64 bits.
std::optional<long long> code_number(std::string_view code) {
    if (!all_digits(code)) return std::nullopt;
    long long n = 0;
    auto [end, error] = std::from_chars(code.data(), code.data() + code.size(), n);
    if (error != std::errc() || end != code.data() + code.size()) return std::nullopt;
    return n;
}

// Only active products count: an inactive product holding the typed code
// must not hide the active one under the 6-digit form or the id.
bool code_exists(const std::string& code) {
    db::SqlRecord rec;
    QUERYSQL("select count(codigo) from balcora.produto where codigo=" + TXTSQL(code) +
                 " and ativo = 1;",
             rec);
    return text_to_integer(rec.C(1)) > 0;
}

std::string amount_text(std::string_view value) {
    return util::to_br(util::read_number<2>(value).value);
}

// Digits of a code kept as an integer, zero-filled to its width and grouped
// by the mask's dots; the digits as they are when they do not fit.
std::string masked_digits(std::string_view value, std::size_t width,
                          std::initializer_list<std::size_t> dots_after) {
    const std::string digits = util::trim(value);
    if (!all_digits(digits) || text_to_integer(digits) == 0) return {};
    if (digits.size() > width) return digits;
    const std::string filled = std::string(width - digits.size(), '0') + digits;
    std::string out;
    std::size_t at = 0;
    for (std::size_t cut : dots_after) {
        out += filled.substr(at, cut - at) + ".";
        at = cut;
    }
    return out + filled.substr(at);
}

}  // namespace

std::string cest_text(std::string_view cest) {
    return masked_digits(cest, 7, {2, 5});
}

std::string ncm_text(std::string_view ncm) {
    return masked_digits(ncm, 8, {4, 6});
}

bool ProductQueryScreen::open(std::optional<std::string> description) {
    const long long order = read_ini_number("ConsultaProduto", "Ordem", 2, kIniFile);
    key_ = order >= 1 && order <= 4 ? static_cast<ProductKey>(order) : ProductKey::kBarcode;
    const long long table = read_ini_number("ConsultaProduto", "TabPreco", 1, kIniFile);
    price_table_ = table >= 1 && table <= 3 ? static_cast<int>(table) : 1;
    filters_ = {};
    filters_[slot(ProductKey::kName)] = util::cut_characters(
        read_ini("Produto", "filtro_nome", "", kIniFile), filter_limit(ProductKey::kName));
    if (description) {
        key_ = ProductKey::kName;
        filters_[slot(ProductKey::kName)] =
            util::cut_characters(*description, filter_limit(ProductKey::kName));
    }
    return refresh();
}

void ProductQueryScreen::close() {
    // Only a convenience for the next time: a file that cannot be written
    // must not keep the operator from the sale.
    write_ini("ConsultaProduto", "Ordem", std::to_string(static_cast<int>(key_)), kIniFile);
    write_ini("ConsultaProduto", "TabPreco", std::to_string(price_table_), kIniFile);
    write_ini("Produto", "filtro_nome", util::trim_right(filters_[slot(ProductKey::kName)]),
              kIniFile);
}

bool ProductQueryScreen::set_key(ProductKey key) {
    if (slot(key) >= kKeys) return false;
    key_ = key;
    return refresh();
}

bool ProductQueryScreen::set_price_table(int table) {
    if (table < 1 || table > 3) return false;
    price_table_ = table;
    return refresh();
}

const std::string& ProductQueryScreen::filter(ProductKey key) const {
    return filters_[slot(key) < kKeys ? slot(key) : 0];
}

std::size_t ProductQueryScreen::filter_limit(ProductKey key) {
    switch (key) {
        case ProductKey::kName:
            return 49;
        case ProductKey::kReference:
            return 34;
        default:
            return 14;
    }
}

bool ProductQueryScreen::set_filter(std::string_view text) {
    filters_[slot(key_)] = util::cut_characters(text, filter_limit(key_));
    return refresh();
}

std::string ProductQueryScreen::sort_column() const {
    switch (key_) {
        case ProductKey::kName:
            return "descricao";
        case ProductKey::kBarcode:
            return "codigo_barras";
        case ProductKey::kCode:
            return "codigo";
        case ProductKey::kReference:
            return "refer";
    }
    return "descricao";
}

std::string ProductQueryScreen::sort_expression() const {
    // Names and references run in their folded order, case and accents
    // aside, so the rows that begin with a typed text lie together; the
    // indexes on these expressions serve the order and the prefix search.
    if (key_ == ProductKey::kName || key_ == ProductKey::kReference)
        return "UPPER(balcora.to_ascii(" + sort_column() + ")) COLLATE \"C\"";
    return sort_column();
}

std::string ProductQueryScreen::code_condition(const std::string& code) const {
    if (code_exists(code)) return " and codigo =" + TXTSQL(code);
    const auto number = code_number(code);
    // Only a number has a 6-digit form or can be an id; any other text that
    // is no code simply finds nothing.
    if (!number) return " and false";
    char six[24];
    std::snprintf(six, sizeof six, "%06lld", *number);
    if (six != code && code_exists(six)) return " and codigo =" + TXTSQL(six);
    if (*number > std::numeric_limits<std::int32_t>::max()) return " and false";
    return " and id_produto=" + std::to_string(*number);
}

std::string ProductQueryScreen::condition() const {
    const std::string& typed = filters_[slot(key_)];
    switch (key_) {
        case ProductKey::kName:
        case ProductKey::kReference: {
            const std::string text = util::trim_right(typed);
            if (text.empty()) return {};
            return " and " + folded_like(key_ == ProductKey::kName ? "descricao" : "refer", text);
        }
        case ProductKey::kBarcode: {
            const std::string code = util::trim(typed);
            return code.empty() ? std::string() : " and codigo_barras =" + TXTSQL(code);
        }
        case ProductKey::kCode: {
            const std::string code = util::trim(typed);
            return code.empty() ? std::string() : code_condition(code);
        }
    }
    return {};
}

bool ProductQueryScreen::refresh() {
    repositioned_ = false;
    return load({});
}

bool ProductQueryScreen::load(const std::string& extra_condition) {
    lines_.clear();
    truncated_ = false;
    ++generation_;
    const std::string statement =
        "SELECT id_produto, codigo, codigo_barras, refer, cest, cod_ncm, descricao, unidade, "
        "preco_venda" +
        std::to_string(price_table_) +
        ", ecf_st, ecf_aliquota, iat, ippt, qtd_estoque FROM balcora.produto WHERE ativo = 1" +
        condition() + extra_condition + " ORDER BY " + sort_expression() + ", id_produto LIMIT " +
        std::to_string(kLookupRowLimit + 1) + ";";
    const std::optional<db::PgResult> found = db::run_sql(statement);
    if (!found) return false;
    const db::PgResult& r = *found;
    const int rows = r.rows();
    truncated_ = static_cast<std::size_t>(rows) > kLookupRowLimit;
    const int shown = truncated_ ? static_cast<int>(kLookupRowLimit) : rows;
    lines_.reserve(static_cast<std::size_t>(shown));
    for (int i = 0; i < shown; ++i) {
        auto text = [&](int column) { return std::string(r.value(i, column)); };
        ProductLine l;
        l.id_produto = static_cast<std::int32_t>(text_to_integer(r.value(i, 0)));
        l.codigo = text(1);
        l.codigo_barras = text(2);
        l.refer = text(3);
        l.codigo_shown = key_ == ProductKey::kCode ? l.codigo : l.codigo_barras;
        l.cest = cest_text(r.value(i, 4));
        l.ncm = ncm_text(r.value(i, 5));
        l.descricao = text(6);
        l.unidade = text(7);
        l.preco = amount_text(r.value(i, 8));
        l.st = text(9);
        l.aliquota = r.is_null(i, 10) ? std::string() : amount_text(r.value(i, 10));
        l.iat = text(11);
        l.ippt = text(12);
        l.estoque = amount_text(r.value(i, 13));
        lines_.push_back(std::move(l));
    }
    return true;
}

std::string ProductQueryScreen::note() const {
    if (repositioned_) {
        return "Lista posicionada pela busca: mostra os produtos a partir do encontrado" +
               std::string(truncated_ ? " (até " + std::to_string(kLookupRowLimit) + ")" : "") +
               ".";
    }
    if (truncated_) {
        return "Mostrando os primeiros " + std::to_string(kLookupRowLimit) +
               " produtos; digite mais para refinar a busca.";
    }
    return {};
}

std::optional<std::size_t> ProductQueryScreen::locate(std::string_view typed) {
    const std::string wanted = fold_text(typed);
    if (wanted.empty()) return std::nullopt;
    auto sort_key = [this](const ProductLine& l) -> const std::string& {
        switch (key_) {
            case ProductKey::kName:
                return l.descricao;
            case ProductKey::kBarcode:
                return l.codigo_barras;
            case ProductKey::kCode:
                return l.codigo;
            case ProductKey::kReference:
                return l.refer;
        }
        return l.descricao;
    };
    // The lines loaded from the top of the order hold the first match if
    // they hold any; a list positioned further down does not know what lies
    // above it.
    if (!repositioned_) {
        for (std::size_t i = 0; i < lines_.size(); ++i)
            if (fold_text(sort_key(lines_[i])).starts_with(wanted)) return i;
        if (!truncated_) return std::nullopt;
    }
    const std::string sort = sort_expression();
    db::SqlRecord rec;
    if (QUERYSQL("SELECT " + sort + ", id_produto FROM balcora.produto WHERE ativo = 1" +
                     condition() + " and " + folded_prefix(sort_column(), typed) + " ORDER BY " +
                     sort + ", id_produto LIMIT 1;",
                 rec)
            .empty())
        return std::nullopt;
    const std::string found_key(rec.C(1));
    const auto found_id = static_cast<std::int32_t>(text_to_integer(rec.C(2)));
    for (std::size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].id_produto == found_id) return i;
    // Beyond the loaded lines: read the list from the match on. The plain
    // comparison lets the key's index start there.
    if (!load(" and " + sort + " >= " + TXTSQL(found_key) + " and (" + sort + ", id_produto) >= (" +
              TXTSQL(found_key) + ", " + std::to_string(found_id) + ")"))
        return std::nullopt;
    repositioned_ = true;
    return lines_.empty() ? std::nullopt : std::optional<std::size_t>(0);
}

std::optional<ProductChoice> ProductQueryScreen::choose(std::size_t index) const {
    if (index >= lines_.size()) return std::nullopt;
    const ProductLine& l = lines_[index];
    return ProductChoice{l.id_produto, l.codigo, l.codigo_barras, l.descricao};
}

}  // namespace balcora::forms
