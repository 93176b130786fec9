#pragma once

#include "ecf/maqecf_record.h"
#include "util/day_number.h"
#include "util/fixed_point.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What the day opening, the day closing, the cash movements and their
// recovery share: the day state of the authorised printer, the log rows of
// the fiscal functions and the marker of a day closing that did not finish.
namespace balcora::ecf {

// The printer row of glo::numfab, which holds the day state (the driver
// writes it); false when there is none or the query failed (shown).
bool read_day_state(MaqecfRecord& out);

// " Valor:" and the amount right-aligned in 10 with a decimal comma, as the
// log rows of the cash movements end.
std::string logged_amount(util::Money amount);

// A log row of a fiscal function ("FUN"): `id` is the cash day's day number.
bool log_day_function(std::string_view function, util::DayNumber day, std::string_view text);
// Whether that row exists; a failed query counts as absent (shown).
bool day_function_logged(std::string_view function, util::DayNumber day, std::string_view text);

// The days whose closing did not finish every step after their Z reduction,
// oldest first (0 for a marker whose day cannot be read); empty when no
// closing is pending.
std::vector<util::DayNumber> interrupted_closing_days();
// The oldest of them; nullopt when no closing is pending.
std::optional<util::DayNumber> interrupted_closing_day();
// Stores the day's marker, one per day: a marker of an earlier day that is
// still pending is kept. False after the error was shown (title "Redução Z").
bool mark_interrupted_closing(util::DayNumber day);
// Removes the day's marker only; false after "Erro (...) ao excluir registro
// de erro!".
bool clear_interrupted_closing(util::DayNumber day);

// "<what> ainda não disponível nesta versão." (title "Aviso").
void report_not_available(std::string_view what);

}  // namespace balcora::ecf
