#pragma once

#include "util/day_number.h"

#include <optional>
#include <string>
#include <string_view>

namespace balcora {

// An SQL text literal: the value between apostrophes with apostrophes and
// backslashes doubled (the connection reads backslashes as escapes), "Null"
// for a blank value when null_if_blank is set. The value comes back intact
// when stored and read again; NUL characters, which the server cannot store,
// are dropped.
std::string TXTSQL(std::string_view value, bool null_if_blank = false);

// '2015-07-01' for a set date, Null for 0 or below.
std::string DTSQL(util::DayNumber date);

// The same date as a statement parameter: YYYY-MM-DD, NULL for 0 or below.
std::optional<std::string> date_param(util::DayNumber date);
// DTSQL for a column under a record hash: a date not known yet is stored as
// the cleared record's day 0 ('1800-12-28'), never Null, since a Null makes
// the row's digest Null and an honest row would then fail its check.
std::string DTSQL_HASHED(util::DayNumber date);
// The cleared day as it reads back from SQL: readers show it as no date.
inline constexpr std::string_view kClearedDateText = "1800-12-28";

// The number unchanged when it is a valid non-zero number; "Null" for zero,
// blank or anything that is not a number (so no other text reaches the SQL).
std::string ZEROISNULL(std::string_view value);

// The digits of a text (at most 99); with a width, zero-filled on the left or
// cut to its last `width` digits.
std::string SONUMEROS(std::string_view value, int width = 0);

// Field n (from 1) of a comma-separated list; the last field when n is 0 or
// past the end.
std::string RETORNACAMPO(std::string_view list, int n = 0);

}  // namespace balcora
