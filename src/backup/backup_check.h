#pragma once

#include "db/pg_handles.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace balcora::shell {

// What a database holds, as far as the backup check compares it: the row
// count of every table and, for the fiscal tables whose rows carry a record
// hash, a digest of every row's content with its stored hash. Large objects
// count as one more "table".
struct TableFigures {
    std::string rows;
    std::string digest;  // empty for a table without record hashes
    bool operator==(const TableFigures&) const = default;
};
using DatabaseFigures = std::map<std::string, TableFigures>;

// Called between polls of a long statement, so a window keeps drawing.
using Yield = std::function<void()>;

// The session both sides of a comparison run in: the same text forms of
// dates and numbers, so the digests of equal rows are equal.
void prepare_figures_session(db::PgConnection& conn);

// Reads the figures over the connection (inside whatever transaction or
// snapshot it is in), yielding while the server works. False with the
// server's text in *error.
bool read_figures(db::PgConnection& conn, const Yield& yield, DatabaseFigures* figures,
                  std::string* error);

// One line per difference ("balcora.cfiscal: 1000 linhas no banco, 999 na
// cópia"); empty when the copy holds what the database held.
std::vector<std::string> compare_figures(const DatabaseFigures& database,
                                         const DatabaseFigures& copy);

// A statement run without blocking the caller: sent, then the connection is
// polled with `yield` in between. The last result.
db::PgResult exec_yielding(db::PgConnection& conn, const std::string& statement,
                           const Yield& yield);

}  // namespace balcora::shell
