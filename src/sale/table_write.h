#pragma once

#include "db/pg_handles.h"

#include <optional>
#include <string>
#include <string_view>

namespace balcora::sale {

// Runs statements that write one table inside the caller's transaction. A
// failure is shown as "Erro (<SQLSTATE>)/<table>" with the server's text, and
// the caller rolls back. The result of the last statement, nullopt on failure.
std::optional<db::PgResult> write_table(std::string_view table, const std::string& sql);

}  // namespace balcora::sale
