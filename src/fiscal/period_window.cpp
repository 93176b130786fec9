#include "fiscal/period_window.h"

#include "fiscal/stamped_file.h"
#include "util/text.h"

namespace balcora::fiscal {

std::optional<std::int64_t> typed_counter(const std::string& text, int digits) {
    std::string t = util::trim(text);
    if (t.empty() || t.size() > static_cast<std::size_t>(digits)) return std::nullopt;
    std::int64_t value = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value == 0) return std::nullopt;
    return value;
}

std::optional<PeriodWindow::Range> PeriodWindow::checked_range() {
    Range r;
    if (by_date) {
        r.start = util::parse_br_date(util::trim(start_date));
        if (r.start <= 0) {
            focus_ = Field::kStartDate;
            return std::nullopt;
        }
        r.end = util::parse_br_date(util::trim(end_date));
        if (r.end <= 0 || r.end < r.start) {
            focus_ = Field::kEndDate;
            return std::nullopt;
        }
        return r;
    }
    auto first = typed_counter(start_number, digits_);
    if (!first) {
        focus_ = Field::kStartNumber;
        return std::nullopt;
    }
    auto last = typed_counter(end_number, digits_);
    if (!last || *last < *first) {
        focus_ = Field::kEndNumber;
        return std::nullopt;
    }
    r.first = *first;
    r.last = *last;
    return r;
}

bool PeriodWindow::refuse_path(const std::string& path) {
    report_path_too_long(path);
    return false;
}

}  // namespace balcora::fiscal
