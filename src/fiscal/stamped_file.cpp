#include "fiscal/stamped_file.h"

#include "fiscal/ead_signing.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/day_number.h"
#include "util/text.h"

#include <cstdio>
#include <string>

namespace balcora::fiscal {

std::filesystem::path stamped_file(std::string_view prefix, const platform::LocalTime& at,
                                   std::string_view extension) {
    char stamp[32];
    std::snprintf(stamp, sizeof stamp, "_%04d%02d%02d_%02d%02d%02d", at.year, at.month, at.day,
                  at.hour, at.minute, at.second);
    std::string name(prefix);
    name += util::trim_right(glo::numfab);
    name += stamp;
    name += extension;
    return pafecf_folder() / name;
}

platform::LocalTime one_second_later(const platform::LocalTime& t) {
    platform::LocalTime r = t;
    if (++r.second < 60) return r;
    r.second = 0;
    if (++r.minute < 60) return r;
    r.minute = 0;
    if (++r.hour < 24) return r;
    r.hour = 0;
    util::CivilDate next = util::civil_date(util::day_number(t.year, t.month, t.day) + 1);
    r.year = next.year;
    r.month = next.month;
    r.day = next.day;
    return r;
}

void report_path_too_long(const std::filesystem::path& file) {
    prompt().message("Erro",
                     "Caminho longo demais para a impressora fiscal (máximo de 200 "
                     "caracteres):|" +
                         file.string(),
                     ui::Icon::kError);
}

}  // namespace balcora::fiscal
