#pragma once

#include "ecf/printer_window_gates.h"
#include "util/day_number.h"

#include <optional>
#include <string_view>

// The checks a sale screen makes before it opens: one printer window at a
// time, the Bloco X block and the age of the last back-office update.
namespace balcora::sale {

// The printer window flag and the Bloco X block live with the printer, which
// the day functions share with the sale screens.
using ecf::blocox_blocked;
using ecf::kBlocoXBlocked;
using ecf::kPrinterWindowOpen;
using ecf::printer_window_free;

// The number of days the point of sale has gone without a back-office update,
// n = 1 + the working days from the last update to yesterday; nullopt when
// the check does not apply (no date, updated today, option off, the day not
// opened today, or today no working day).
std::optional<int> days_without_back_office(util::DayNumber today, util::DayNumber last_update,
                                            bool update_option_on, util::DayNumber day_opened);

// The check of the coupon browse: warns while fewer than three days have gone
// by; false, after the message, from the third on.
bool back_office_fresh_enough(util::DayNumber day_opened);

}  // namespace balcora::sale
