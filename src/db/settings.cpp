#include "db/settings.h"

#include "db/database.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/sql_runner.h"
#include "platform/ini_file.h"
#include "ui/environment.h"

#include <cctype>
#include <charconv>

namespace balcora {

namespace {

// The application names a schema; only a plain identifier may reach the SQL.
bool plain_identifier(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_')) return false;
    return true;
}

std::string key_condition(std::string_view section, std::string_view key) {
    return " WHERE chave=" + TXTSQL(section) + " AND nome=" + TXTSQL(key);
}

}  // namespace

long long text_to_integer(std::string_view text) {
    auto b = text.find_first_not_of(' ');
    if (b == std::string_view::npos) return 0;
    auto e = text.find_last_not_of(' ');
    text = text.substr(b, e - b + 1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    // "12.50" reads as 12: a number with decimals keeps its whole part.
    auto point = text.find('.');
    std::string_view whole = text.substr(0, point);
    if (point != std::string_view::npos) {
        for (char c : text.substr(point + 1))
            if (!std::isdigit(static_cast<unsigned char>(c))) return 0;
    }
    long long v = 0;
    auto [ptr, ec] = std::from_chars(whole.data(), whole.data() + whole.size(), v);
    if (ec != std::errc() || ptr != whole.data() + whole.size()) return 0;
    return v;
}

namespace {

// One setting written in place or added; `value` is an SQL expression.
std::string upsert_setting(const std::string& table, std::string_view section, std::string_view key,
                           const std::string& value) {
    return "UPDATE " + table + " SET valor=" + value + key_condition(section, key) +
           "; INSERT INTO " + table + " (chave, nome, valor) SELECT " + TXTSQL(section) + ", " +
           TXTSQL(key) + ", " + value + " WHERE NOT EXISTS (SELECT 1 FROM " + table +
           key_condition(section, key) + ");";
}

// The developer identification is sealed by whoever writes one of its parts,
// in the same batch: the database seals it only when a part is inserted, so a
// part changed by hand leaves the stored "hash" behind.
std::string developer_hash_statement(std::string_view application, std::string_view section,
                                     std::string_view key) {
    if (application != "balcora" || section != "Desenvolvedor PAF-ECF" ||
        (key != "cnpj" && key != "nomesoft" && key != "md5exe"))
        return {};
    if (db::hash_expression("registro").empty()) DEFINEHASH();
    return " " + upsert_setting("balcora.registro", section, "hash",
                                "(SELECT " + db::hash_expression("registro") + ")");
}

}  // namespace

std::string LEREGISTRO(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view default_value) {
    if (!plain_identifier(application)) return std::string(default_value);
    const std::string statement = "SELECT valor FROM " + std::string(application) + ".registro" +
                                  key_condition(section, key) + " LIMIT 1";
    // Read straight from the result: the shared record would cut the value
    // at its column width.
    std::optional<db::PgResult> r = db::run_sql(statement);
    if (!r || r->rows() == 0) return std::string(default_value);
    return std::string(r->value(0, 0));
}

bool GRAVAREGISTRO(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value) {
    if (!plain_identifier(application)) return false;
    const std::string table = std::string(application) + ".registro";
    return db::execute(upsert_setting(table, section, key, TXTSQL(value)) +
                       developer_hash_statement(application, section, key));
}

long long registro_number(std::string_view section, std::string_view key, long long default_value) {
    return text_to_integer(LEREGISTRO("balcora", section, key, std::to_string(default_value)));
}

std::string read_ini(std::string_view section, std::string_view key, std::string_view default_value,
                     std::string_view file) {
    return platform::ini_read(data_root().ini_file(file), section, key, default_value);
}

bool write_ini(std::string_view section, std::string_view key, std::string_view value,
               std::string_view file) {
    return platform::ini_write(data_root().ini_file(file), section, key, value);
}

long long read_ini_number(std::string_view section, std::string_view key, long long default_value,
                          std::string_view file) {
    return text_to_integer(read_ini(section, key, std::to_string(default_value), file));
}

}  // namespace balcora
