#include "ecf/closing_hour.h"

#include "db/settings.h"
#include "util/text.h"

#include <cctype>

namespace balcora::ecf {

namespace {

std::string two_digits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string refusal(int minutes) {
    return "Fechamento só pode ser executado após as " + two_digits(minutes / 60) + ":" +
           two_digits(minutes % 60) + " horas!";
}

}  // namespace

ClosingHours read_closing_hours() {
    ClosingHours h;
    h.unlocked = registro_number("Configuração", "Desbloqueia Fechamento", 0) != 0;
    for (std::size_t d = 0; d < kWeekdayKeys.size(); ++d)
        h.by_weekday[d] = LEREGISTRO("balcora", "HorarioFechamento", kWeekdayKeys[d], "");
    return h;
}

std::optional<int> closing_minutes(std::string_view text) {
    std::string digits;
    for (char c : util::trim(text)) {
        if (std::isdigit(static_cast<unsigned char>(c)))
            digits += c;
        else if (c != ':')
            return std::nullopt;
    }
    // hh:mm or hh:mm:ss; seconds do not move a closing time.
    if (digits.size() != 4 && digits.size() != 6) return std::nullopt;
    const int hour = std::stoi(digits.substr(0, 2));
    const int minute = std::stoi(digits.substr(2, 2));
    if (hour > 23 || minute > 59) return std::nullopt;
    return hour * 60 + minute;
}

std::optional<std::string> closing_hour_refusal(const platform::LocalTime& now,
                                                util::DayNumber open_day,
                                                const ClosingHours& hours) {
    if (hours.unlocked) return std::nullopt;
    const int now_minutes = now.hour * 60 + now.minute;
    const util::DayNumber today = util::day_of(now);
    if (const auto set =
            closing_minutes(hours.by_weekday[static_cast<std::size_t>(util::weekday(today))])) {
        if (*set > now_minutes) return refusal(*set);
        return std::nullopt;
    }
    const int day = util::weekday(open_day > 0 ? open_day : today);
    const int from_hour = day == 0 || day == 6 ? 12 : 18;
    if (now.hour < from_hour) return refusal(from_hour * 60);
    return std::nullopt;
}

}  // namespace balcora::ecf
