#pragma once

#include "util/day_number.h"

namespace balcora {

// Moves the first day of the next stock export ("Data Estoque", section
// "PAF-ECF") back to `date` when it is set and later, so that a sale of an
// earlier day, registered late, is exported again. Runs inside the caller's
// transaction. False after a failure was shown; an unset or unreadable setting
// and a day that is not a date change nothing and are no failure.
bool GRAVADATAESTOQUE(util::DayNumber date);

}  // namespace balcora
