#pragma once

#include "db/sql_record.h"

#include <string>
#include <string_view>

namespace balcora {

// Runs one SQL text on the process connection. A SELECT yields the first
// column of its first row (empty when there is no row); any other statement
// yields "1" on success; an empty result means nothing was found or the
// statement failed, the failure having been shown in the SQL error dialog.
// Without a target the rows land in the shared record db::sql().
std::string QUERYSQL(std::string_view statement);

// The same on a record of the caller's own: "1" when a row was fetched into
// it, "" otherwise (the record is then cleared).
std::string QUERYSQL(std::string_view statement, db::SqlRecord& target);

namespace db {
// Shows the SQL error dialog: driver text, "Comando SQL: " and the statement.
void show_sql_error(std::string_view code, std::string_view text, std::string_view statement);

// Runs a statement on the process connection without touching the shared
// record, so it is safe inside a walk; a failure shows the SQL error dialog.
bool execute(std::string_view statement);
}  // namespace db

}  // namespace balcora
