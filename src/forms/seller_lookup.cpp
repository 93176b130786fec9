#include "forms/seller_lookup.h"

#include "db/database.h"
#include "db/query_sql.h"
#include "forms/lookup_filter.h"
#include "shell/settings.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::forms {

bool SellerLookup::open() {
    filter_ = cut_characters(read_ini("Vendedor", "filtro_nome", "", kIniFile), kFilterLimit);
    return refresh();
}

void SellerLookup::close() {
    write_ini("Vendedor", "filtro_nome", util::trim_right(filter_), kIniFile);
}

bool SellerLookup::set_filter(std::string_view text) {
    filter_ = cut_characters(text, kFilterLimit);
    return refresh();
}

bool SellerLookup::refresh() {
    lines_.clear();
    truncated_ = false;
    const std::string text = util::trim_right(filter_);
    const std::string statement =
        "SELECT id_vendedor, nome, taxa_com, forma_pag FROM balcora.vendedor WHERE ativo = 1" +
        (text.empty() ? std::string() : " and " + folded_like("nome", text)) +
        " ORDER BY UPPER(balcora.to_ascii(nome)), id_vendedor LIMIT " +
        std::to_string(kLookupRowLimit + 1) + ";";
    db::PgConnection* conn = db::connection();
    db::PgResult r = conn ? conn->exec(statement) : db::PgResult();
    if (!r.ok()) {
        db::show_sql_error(r.sqlstate(), r ? r.error_message() : "sem conexão", statement);
        return false;
    }
    truncated_ = static_cast<std::size_t>(r.rows()) > kLookupRowLimit;
    const int shown = truncated_ ? static_cast<int>(kLookupRowLimit) : r.rows();
    for (int i = 0; i < shown; ++i) {
        lines_.push_back(
            {static_cast<std::int32_t>(text_to_integer(r.value(i, 0))), std::string(r.value(i, 1)),
             util::to_br(util::read_number<2>(r.value(i, 2)).value), std::string(r.value(i, 3))});
    }
    return true;
}

std::string SellerLookup::note() const {
    if (!truncated_) return {};
    return "Mostrando os primeiros " + std::to_string(kLookupRowLimit) +
           " vendedores; digite mais para refinar a busca.";
}

std::optional<std::int32_t> SellerLookup::choose(std::size_t index) const {
    if (index >= lines_.size()) return std::nullopt;
    return lines_[index].id_vendedor;
}

}  // namespace balcora::forms
