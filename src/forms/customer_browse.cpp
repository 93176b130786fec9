#include "forms/customer_browse.h"

#include "db/literals.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "forms/lookup_filter.h"
#include "util/text.h"

namespace balcora::forms {

namespace {

constexpr const char* kIniFile = "kontora.ini";
constexpr const char* kIniSection = "Clientes";
// The kontora.ini keys of the remembered filters, in CustomerFilter order.
constexpr const char* kIniKeys[] = {"filtro_nome", "filtro_fantasia", "cod_cidade"};

std::size_t slot(CustomerFilter which) {
    return static_cast<std::size_t>(which);
}

}  // namespace

bool CustomerBrowse::open() {
    for (std::size_t i = 0; i < std::size(kIniKeys); ++i) {
        filters_[i] =
            util::cut_characters(read_ini(kIniSection, kIniKeys[i], "", kIniFile), kFilterLimit);
    }
    return reload();
}

void CustomerBrowse::close() {
    for (std::size_t i = 0; i < std::size(kIniKeys); ++i) {
        write_ini(kIniSection, kIniKeys[i], util::trim(filters_[i]), kIniFile);
    }
}

const std::string& CustomerBrowse::filter(CustomerFilter which) const {
    return filters_[slot(which)];
}

bool CustomerBrowse::set_filter(CustomerFilter which, std::string_view text) {
    filters_[slot(which)] = util::cut_characters(text, kFilterLimit);
    return reload();
}

std::string CustomerBrowse::statement() const {
    std::string where;
    auto add = [&where](const std::string& condition) {
        where += (where.empty() ? " WHERE " : " AND ") + condition;
    };
    const std::string razao = util::trim_right(filter(CustomerFilter::kRazao));
    const std::string fantasia = util::trim_right(filter(CustomerFilter::kFantasia));
    // Only digits make a code or a document number; anything else typed there
    // narrows nothing rather than failing the statement.
    const std::string cidade = SONUMEROS(filter(CustomerFilter::kCidade));
    const std::string documento =
        util::to_upper_ascii(SOALFANUM(filter(CustomerFilter::kDocumento)));
    if (!razao.empty()) add(folded_like("c.razao", razao));
    if (!fantasia.empty()) add(folded_like("c.nome", fantasia));
    if (!cidade.empty()) add("c.id_municipio=" + cidade);
    // The number is found however it was punctuated when stored.
    if (!documento.empty()) {
        add("UPPER(regexp_replace(c.cgcpf,'[^0-9A-Za-z]','','g')) LIKE " + TXTSQL(documento + "%"));
    }
    return "SELECT c.id_cliente, c.razao, c.nome, c.cgcpf, m.nome, m.estado, c.telef, c.ativo "
           "FROM balcora.cliente c LEFT JOIN balcora.municipio m ON "
           "m.id_municipio=c.id_municipio" +
           where + " ORDER BY UPPER(balcora.to_ascii(c.razao)) COLLATE \"C\", c.id_cliente LIMIT " +
           std::to_string(kLookupRowLimit + 1) + ";";
}

bool CustomerBrowse::reload() {
    lines_.clear();
    truncated_ = false;
    const std::optional<db::PgResult> found = db::run_sql(statement());
    if (!found) return false;
    const db::PgResult& r = *found;
    truncated_ = static_cast<std::size_t>(r.rows()) > kLookupRowLimit;
    const int shown = truncated_ ? static_cast<int>(kLookupRowLimit) : r.rows();
    for (int i = 0; i < shown; ++i) {
        auto text = [&](int column) { return util::trim(r.value(i, column)); };
        const std::string uf = text(5);
        lines_.push_back({static_cast<std::int32_t>(text_to_integer(r.value(i, 0))), text(1),
                          text(2), text(3), uf.empty() ? text(4) : text(4) + " - " + uf, text(6),
                          text_to_integer(r.value(i, 7)) == 1});
    }
    return true;
}

std::optional<std::size_t> CustomerBrowse::index_of(std::int32_t id_cliente) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].id_cliente == id_cliente) return i;
    }
    return std::nullopt;
}

std::string CustomerBrowse::note() const {
    if (!truncated_) return {};
    return "Mostrando os primeiros " + std::to_string(kLookupRowLimit) +
           " clientes; digite mais para refinar a busca.";
}

}  // namespace balcora::forms
