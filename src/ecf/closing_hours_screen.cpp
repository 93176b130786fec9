#include "ecf/closing_hours_screen.h"

#include "db/settings.h"
#include "ecf/cash_day.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora {

namespace ecf {

namespace {

std::string hh_mm(int minutes) {
    auto two = [](int n) { return (n < 10 ? "0" : "") + std::to_string(n); };
    return two(minutes / 60) + ":" + two(minutes % 60);
}

bool blank_time(const std::string& text) {
    // An input mask leaves its separators in an empty field.
    for (char c : text)
        if (c != ' ' && c != ':' && c != '_') return false;
    return true;
}

}  // namespace

ClosingHoursScreen::ClosingHoursScreen() {
    const ClosingHours stored = read_closing_hours();
    for (std::size_t d = 0; d < times.size(); ++d) {
        const auto minutes = closing_minutes(stored.by_weekday[d]);
        times[d] = minutes ? hh_mm(*minutes) : "";
    }
}

void ClosingHoursScreen::ok() {
    if (!open_) return;
    std::array<std::string, 7> values;
    for (std::size_t d = 0; d < times.size(); ++d) {
        if (blank_time(times[d])) continue;
        const auto minutes = closing_minutes(times[d]);
        if (!minutes) {
            focus_ = static_cast<Field>(d);
            prompt().message("Aviso", "Horário inválido!", ui::Icon::kWarning);
            return;
        }
        values[d] = hh_mm(*minutes);
    }
    for (std::size_t d = 0; d < values.size(); ++d)
        if (!GRAVAREGISTRO("balcora", "HorarioFechamento", kWeekdayKeys[d], values[d])) return;
    times = values;
    saved_ = true;
    open_ = false;
}

}  // namespace ecf

void HORARIOFECHAMENTO() {
    ecf::ClosingHoursScreen screen;
    if (!screens().show(screen)) ecf::report_not_available("Horário de fechamento");
}

}  // namespace balcora
