#include "forms/customer_lookup.h"

#include "db/database.h"
#include "db/query_sql.h"
#include "forms/lookup_filter.h"
#include "shell/settings.h"
#include "util/text.h"

namespace balcora::forms {

bool CustomerLookup::open() {
    filter_ = cut_characters(read_ini("Clientes", "filtro_nome", "", kIniFile), kFilterLimit);
    return refresh();
}

void CustomerLookup::close() {
    write_ini("Clientes", "filtro_nome", util::trim_right(filter_), kIniFile);
}

bool CustomerLookup::set_filter(std::string_view text) {
    filter_ = cut_characters(text, kFilterLimit);
    return refresh();
}

bool CustomerLookup::refresh() {
    lines_.clear();
    truncated_ = false;
    std::string condition;
    if (const std::string text = util::trim_right(filter_); !text.empty()) {
        // Either name may be the one the operator knows the customer by.
        condition =
            " and (" + folded_like("razao", text) + " or " + folded_like("nome", text) + ")";
    }
    const std::string statement =
        "SELECT id_cliente, razao, nome, cgcpf, telef FROM balcora.cliente WHERE ativo = 1" +
        condition + " ORDER BY UPPER(balcora.to_ascii(razao)) COLLATE \"C\", id_cliente LIMIT " +
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
        lines_.push_back({static_cast<std::int32_t>(text_to_integer(r.value(i, 0))),
                          std::string(r.value(i, 1)), std::string(r.value(i, 2)),
                          std::string(r.value(i, 3)), std::string(r.value(i, 4))});
    }
    return true;
}

std::string CustomerLookup::note() const {
    if (!truncated_) return {};
    return "Mostrando os primeiros " + std::to_string(kLookupRowLimit) +
           " clientes; digite mais para refinar a busca.";
}

std::optional<std::int32_t> CustomerLookup::choose(std::size_t index) const {
    if (index >= lines_.size()) return std::nullopt;
    return lines_[index].id_cliente;
}

}  // namespace balcora::forms
