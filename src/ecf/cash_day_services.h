#pragma once

#include "ecf/maqecf_record.h"
#include "util/day_number.h"

#include <functional>

// The services the cash day uses beyond the printer and the database, so
// that tests put their own in place: the day's registers file, the monthly
// file for the accountant, and the end of the program after a failed
// closing. The fiscal folder provides the program's own
// (fiscal/cash_day_services.h); this folder only calls them.
namespace balcora::ecf {

struct CashDayServices {
    // The PAF-ECF registers file of a closed day; true when it was written
    // and signed. Empty when this build has none.
    std::function<bool(util::DayNumber day)> registers;
    // The monthly file of the tape memory, written and mailed when due, as
    // the printer window opens; empty when this build has none.
    std::function<bool(const MaqecfRecord& printer)> monthly_file;
    // Ends the program (the windows side knows how); empty leaves it to the
    // caller, which then only sees the message.
    std::function<void()> end_application;
};

}  // namespace balcora::ecf
