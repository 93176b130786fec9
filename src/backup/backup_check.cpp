#include "backup/backup_check.h"

#include <array>
#include <string_view>

namespace balcora::shell {

namespace {

// The fiscal tables whose rows carry a record hash.
constexpr std::array<std::string_view, 11> kHashedTables = {
    "produto",  "maqecf",    "empresa", "reg60m", "reg60a", "cfiscal",
    "cfiscald", "cfiscalfp", "nf",      "nfdet",  "docecf"};

bool hashed(std::string_view schema, std::string_view table) {
    if (schema != "balcora") return false;
    for (auto t : kHashedTables)
        if (t == table) return true;
    return false;
}

// An order-free digest in constant memory: the sum of a 64-bit hash of
// every row's text (the stored record hash is part of it), as numeric so it
// cannot overflow. Both sides are read on the same server, so its hash
// function is the same.
std::string table_select(const std::string& quoted, const std::string& schema,
                         const std::string& table) {
    const std::string label = "'" + quoted + "'::text";
    if (!hashed(schema, table))
        return "SELECT " + label + ", count(*)::text, NULL::text FROM " + quoted;
    return "SELECT " + label + ", count(*)::text, coalesce(sum(hashtextextended(" + table +
           "::text, 0)::numeric), 0)::text FROM balcora." + table;
}

std::string cell(const db::PgResult& r, int row, int column) {
    return r.is_null(row, column) ? std::string() : std::string(r.value(row, column));
}

}  // namespace

void prepare_figures_session(db::PgConnection& conn) {
    for (const char* setting :
         {"SET datestyle TO ISO, YMD", "SET extra_float_digits TO 1", "SET jit TO off",
          "SET standard_conforming_strings TO on", "SET search_path TO balcora, public"})
        conn.exec(setting);
}

db::PgResult exec_yielding(db::PgConnection& conn, const std::string& statement,
                           const Yield& yield) {
    PGconn* c = conn.get();
    if (!c || !PQsendQuery(c, statement.c_str())) return conn.exec(statement);
    while (PQisBusy(c)) {
        if (!PQconsumeInput(c)) break;
        if (!PQisBusy(c)) break;
        if (yield) yield();
    }
    db::PgResult last;
    while (PGresult* r = PQgetResult(c)) last = db::PgResult(r);
    if (!last) return db::PgResult::failure(PQerrorMessage(c), "08006");
    return last;
}

bool read_figures(db::PgConnection& conn, const Yield& yield, DatabaseFigures* figures,
                  std::string* error) {
    db::PgResult tables = conn.exec(
        "SELECT format('%I.%I', n.nspname, c.relname), n.nspname, c.relname FROM pg_class c "
        "JOIN pg_namespace n ON n.oid = c.relnamespace WHERE c.relkind = 'r' AND n.nspname NOT "
        "IN ('pg_catalog', 'information_schema') AND n.nspname !~ '^pg_' ORDER BY 1");
    if (!tables.ok()) {
        *error = tables.error_message();
        return false;
    }
    std::string statement =
        "SELECT 'objetos grandes'::text, count(*)::text, NULL::text FROM "
        "pg_largeobject_metadata";
    for (int i = 0; i < tables.rows(); ++i)
        statement += " UNION ALL " +
                     table_select(cell(tables, i, 0), cell(tables, i, 1), cell(tables, i, 2));
    db::PgResult r = exec_yielding(conn, statement, yield);
    if (!r.ok()) {
        *error = r.error_message();
        return false;
    }
    figures->clear();
    for (int i = 0; i < r.rows(); ++i)
        (*figures)[cell(r, i, 0)] = TableFigures{cell(r, i, 1), cell(r, i, 2)};
    return true;
}

std::vector<std::string> compare_figures(const DatabaseFigures& database,
                                         const DatabaseFigures& copy) {
    std::vector<std::string> out;
    for (const auto& [table, live] : database) {
        auto it = copy.find(table);
        if (it == copy.end()) {
            out.push_back(table + ": ausente na cópia");
            continue;
        }
        const TableFigures& saved = it->second;
        if (live.rows != saved.rows)
            out.push_back(table + ": " + live.rows + " linhas no banco, " + saved.rows +
                          " na cópia");
        else if (live.digest != saved.digest)
            out.push_back(table + ": conteúdo dos registros (hash incluído) difere do banco");
    }
    for (const auto& [table, saved] : copy)
        if (!database.count(table)) out.push_back(table + ": na cópia, mas não no banco");
    return out;
}

}  // namespace balcora::shell
