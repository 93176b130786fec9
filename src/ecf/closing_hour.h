#pragma once

#include "platform/clock.h"
#include "util/day_number.h"

#include <array>
#include <optional>
#include <string>

// When the day may be closed: the shop's closing time of each weekday, or,
// with none set, noon at weekends and six in the evening on other days.
namespace balcora::ecf {

struct ClosingHours {
    // "Desbloqueia Fechamento": no hour rule at all.
    bool unlocked = false;
    // The "HorarioFechamento" times by weekday, Sunday first ("Dom".."Sab");
    // blank when not set.
    std::array<std::string, 7> by_weekday;
};

// The keys of the "HorarioFechamento" settings section, Sunday first.
inline constexpr std::array<const char*, 7> kWeekdayKeys = {"Dom", "Seg", "Ter", "Qua",
                                                            "Qui", "Sex", "Sab"};

ClosingHours read_closing_hours();

// The refusal ("Fechamento só pode ser executado após as hh:mm horas!") when
// the day cannot be closed at `now`; nullopt when it can. A configured time
// is today's weekday's; without one the weekday of the open day decides.
std::optional<std::string> closing_hour_refusal(const platform::LocalTime& now,
                                                util::DayNumber open_day,
                                                const ClosingHours& hours);

// A closing time as the settings hold it ("18:00", "18:00:00", "1800") in
// minutes after midnight; nullopt when blank or not a time.
std::optional<int> closing_minutes(std::string_view text);

}  // namespace balcora::ecf
