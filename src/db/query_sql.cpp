#include "db/query_sql.h"

#include "db/database.h"
#include "db/sql_runner.h"
#include "ui/environment.h"

#include <cctype>
#include <optional>

namespace balcora {

namespace db {

void show_sql_error(std::string_view code, std::string_view text, std::string_view statement) {
    std::string caption = "Erro SQL (" + std::string(code) + ")";
    std::string body = std::string(text) + "|Comando SQL: " + std::string(statement);
    prompt().message(caption, body, ui::Icon::kError);
}

}  // namespace db

namespace {

bool begins_with_select(std::string_view s) {
    if (s.size() < 6) return false;
    static constexpr char kSelect[] = "SELECT";
    for (int i = 0; i < 6; ++i)
        if (std::toupper(static_cast<unsigned char>(s[i])) != kSelect[i]) return false;
    return true;
}

// Sends the statement; on failure shows the dialog and returns an empty result.
db::PgResult send(std::string_view statement) {
    std::optional<db::PgResult> r = db::run_sql(statement);
    return r ? std::move(*r) : db::PgResult();
}

}  // namespace

bool db::execute(std::string_view statement) {
    return static_cast<bool>(send(statement));
}

std::string QUERYSQL(std::string_view statement) {
    db::SqlRecord& rec = db::sql();
    rec.clear();
    db::PgResult r = send(statement);
    if (!r) return {};
    if (r.rows() > 0) {
        rec.load(std::move(r));
        return std::string(rec.C(1));
    }
    return begins_with_select(statement) ? std::string() : std::string("1");
}

std::string QUERYSQL(std::string_view statement, db::SqlRecord& target) {
    target.clear();
    db::PgResult r = send(statement);
    if (!r || r.rows() == 0) return {};
    target.load(std::move(r));
    return "1";
}

}  // namespace balcora
