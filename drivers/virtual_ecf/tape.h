#pragma once

#include "journal.h"
#include "memory.h"

#include <string>
#include <string_view>
#include <vector>

// The layout of what the printer prints: 48 columns, a shop header with the
// date, time and counters on top of every document, the printer's
// identification at the bottom (README.md shows each document).
namespace balcora::vecf {

std::string rule(char c = '-');
// Shop header, date/time and counters ("CCF:" only for a fiscal coupon), then
// the document title.
std::vector<std::string> document_header(const Memory& m, const Moment& at, int coo, int ccf,
                                         std::string_view title);
std::vector<std::string> document_footer(const Memory& m, const Moment& at);

// Body of the X reading and the Z reduction.
std::vector<std::string> day_reading(const Memory& m, const Day& day, bool reduction, int crz);

struct MemoryRange {
    bool by_date = true;
    DayNumber first_day = 0, last_day = 0;
    int first_crz = 0, last_crz = 0;
    bool complete = true;
};

// Body of a fiscal memory reading over the reductions in the range.
std::vector<std::string> memory_reading_body(const Memory& m,
                                             const std::vector<FiscalRecord>& records,
                                             const MemoryRange& range);
bool in_range(const ZRecord& z, const MemoryRange& range);

// "1,000 UN X 18,90" etc.
std::vector<std::string> item_lines(const Item& item);

}  // namespace balcora::vecf
