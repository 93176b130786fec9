#pragma once

#include "db/pg_handles.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::sale {

// Runs statements that write one table inside the caller's transaction. A
// failure is shown as "Erro (<SQLSTATE>)/<table>" with the server's text, and
// the caller rolls back. The result of the last statement, nullopt on failure.
std::optional<db::PgResult> write_table(std::string_view table, const std::string& sql);

// The same for prepared statements sent in one round trip: every result in
// order, nullopt after the failure was shown.
std::optional<std::vector<db::PgResult>> write_table(
    std::string_view table, const std::vector<db::PgConnection::Call>& calls);

}  // namespace balcora::sale
