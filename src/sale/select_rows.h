#pragma once

#include "db/sql_record.h"

#include <string>

namespace balcora::sale {

// Runs a SELECT into a record of the caller's. Unlike QUERYSQL it tells a
// query that found nothing (true, no row) from one that failed (false, after
// the SQL error dialog).
bool select_rows(const std::string& sql, db::SqlRecord& out);

}  // namespace balcora::sale
