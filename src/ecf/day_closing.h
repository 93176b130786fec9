#pragma once

#include "ecf/cash_day_services.h"
#include "util/day_number.h"

#include <functional>
#include <string>
#include <string_view>

// The closing of the cash day: the Z reduction and every step after it that
// completes the day's fiscal records, and the recovery of a closing that did
// not finish them.
namespace balcora::ecf {

class DayClosing {
  public:
    // `status` shows the window's status line ("Aguarde!!!", "ERRO!!!").
    explicit DayClosing(CashDayServices services,
                        std::function<void(std::string_view)> status = {});

    // The closing-hour rules and the confirmation (both lifted by a pending
    // Z reduction), the Z reduction and the steps after it. True when the
    // day was closed and every step succeeded.
    bool close_day();

    // Wherever a day function starts, while a closing is marked unfinished:
    // for every marked day, repeats only the steps whose output is missing
    // or was built from the day's placeholder. True when nothing was pending
    // or everything is done now.
    bool recover_interrupted_closing();

  private:
    struct Outcome {
        bool failed = false;     // the program must end, the marker stays
        std::string incomplete;  // "|"-separated steps that did not run
    };
    Outcome after_z_steps(util::DayNumber day);
    bool record_reg60m(util::DayNumber day);
    bool registers_file(util::DayNumber day, Outcome& outcome);
    void run_blocox(util::DayNumber day, std::string_view action, std::string_view label,
                    Outcome& outcome);
    bool run_backup(util::DayNumber day, Outcome& outcome);
    bool clear_pending_reg60m(util::DayNumber day);
    bool recover_day(util::DayNumber day);
    static bool registers_file_done(util::DayNumber day);
    void set_status(std::string_view text);

    CashDayServices services_;
    std::function<void(std::string_view)> status_;
};

}  // namespace balcora::ecf
