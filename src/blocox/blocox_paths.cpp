#include "blocox/stock_xml.h"
#include "blocox/z_reduction_xml.h"
#include "fiscal/ead_signing.h"

#include <cstdio>

namespace balcora::blocox {

namespace {

std::string two_digits(int n) {
    char b[8];
    std::snprintf(b, sizeof b, "%02d", n);
    return b;
}

}  // namespace

std::filesystem::path z_reduction_xml_path(util::DayNumber day) {
    const util::CivilDate d = util::civil_date(day);
    return fiscal::pafecf_folder() /
           ("reducaoz" + two_digits(d.day) + two_digits(d.month) + std::to_string(d.year) + ".xml");
}

std::filesystem::path stock_xml_path(util::DayNumber periodo) {
    const util::CivilDate d = util::civil_date(periodo);
    return fiscal::pafecf_folder() /
           ("estoque" + two_digits(d.month) + std::to_string(d.year) + ".xml");
}

bool is_yearly(const StockPeriod& period) {
    const util::CivilDate d = util::civil_date(period.periodo);
    return d.month == 12 && d.day == 31;
}

util::DayNumber reference_day(const StockPeriod& period) {
    const util::CivilDate d = util::civil_date(period.periodo);
    if (d.month == 12) return util::day_number(d.year, 12, 31);
    return util::day_number(d.year, d.month + 1, 1) - 1;
}

std::string period_label(const StockPeriod& period) {
    const util::CivilDate d = util::civil_date(period.periodo);
    if (is_yearly(period)) return std::to_string(d.year);
    return two_digits(d.month) + "/" + std::to_string(d.year);
}

}  // namespace balcora::blocox
