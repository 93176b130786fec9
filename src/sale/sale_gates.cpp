#include "sale/sale_gates.h"

#include "db/settings.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/calendar.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <string>

namespace balcora::sale {

std::optional<int> days_without_back_office(util::DayNumber today, util::DayNumber last_update,
                                            bool update_option_on, util::DayNumber day_opened) {
    if (last_update <= 0 || last_update >= today || !update_option_on || day_opened != today ||
        !DIAUTIL(today))
        return std::nullopt;
    int n = 1;
    for (util::DayNumber d = last_update; d < today; ++d)
        if (DIAUTIL(d)) ++n;
    return n;
}

bool back_office_fresh_enough(util::DayNumber day_opened) {
    const util::DayNumber last =
        util::parse_setting_day(LEREGISTRO("balcora", "PAF-ECF", "dt_com_t", "0"));
    const bool option_on = registro_number("Configuração", "Atualiza Estoque Retaguarda", 1) != 0;
    const auto n = days_without_back_office(today(), last, option_on, day_opened);
    if (!n) return true;
    if (*n < 3) {
        prompt().message("Aviso",
                         "ECF vai ser bloqueado em " + std::to_string(3 - *n) +
                             " dia(s) por falta de atualização da Retaguarda!",
                         ui::Icon::kWarning);
        return true;
    }
    prompt().message(
        "Aviso",
        "ECF bloqueado por esta " + std::to_string(*n) + " dias sem atualizar a Retaguarda!",
        ui::Icon::kWarning);
    return false;
}

}  // namespace balcora::sale
