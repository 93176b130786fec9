#pragma once

#include "util/day_number.h"

#include <cstdint>
#include <optional>
#include <string>

namespace balcora::fiscal {

enum class PeriodField { kNone, kStartDate, kEndDate, kStartNumber, kEndNumber };

// What the fiscal-memory reading and file windows share: a period given by
// dates or by a range of counters (reductions or COOs), typed as text. A
// window closes as soon as its printer command has gone, whatever the
// printer answered; a bad period only sends the focus back to the field at
// fault, without a message, and the window stays open.
class PeriodWindow {
  public:
    using Field = PeriodField;

    bool by_date = true;     // "Data"; false for the counters
    std::string start_date;  // "dd/mm/yyyy"
    std::string end_date;
    std::string start_number;
    std::string end_number;

    bool is_open() const { return open_; }
    // "&Fechar" or Esc.
    void cancel() { open_ = false; }
    Field focus() const { return focus_; }
    // The printer command went and succeeded.
    bool done() const { return done_; }
    // Digits of a counter: 4 for reductions, 6 for COOs.
    int number_digits() const { return digits_; }

  protected:
    explicit PeriodWindow(int number_digits) : digits_(number_digits) {}
    ~PeriodWindow() = default;

    struct Range {
        util::DayNumber start = 0, end = 0;  // by date
        std::int64_t first = 0, last = 0;    // by counters
    };
    // The period typed, or nothing with the focus on the field at fault.
    std::optional<Range> checked_range();
    // Closes the window after its command.
    bool finish(bool succeeded) {
        open_ = false;
        done_ = succeeded;
        return succeeded;
    }
    // A command whose parameters could not be built (a folder too long for
    // the printer's path field): shown, and the window stays open.
    bool refuse_path(const std::string& path);

  private:
    int digits_;
    bool open_ = true;
    bool done_ = false;
    Field focus_ = Field::kNone;
};

// A counter typed in a window: digits only, at most `digits` of them, not 0;
// nothing otherwise.
std::optional<std::int64_t> typed_counter(const std::string& text, int digits);

}  // namespace balcora::fiscal
