#pragma once

#include "ecf/cash_day_services.h"
#include "ecf/maqecf_record.h"
#include "util/day_number.h"

#include <optional>
#include <utility>

// The monthly regulatory file of the tape memory (Ato COTEPE 17/04), written
// by the printer for the month before the last Z reduction's and mailed to
// the shop's accountant, once a month, when the printer window opens.
namespace balcora::ecf {

// The month to send, first and last day; nullopt when the file is switched
// off ("AtoCOTEPE" "N"), there was no Z reduction yet, or the month of the
// last reduction was already sent.
std::optional<std::pair<util::DayNumber, util::DayNumber>> monthly_file_period(
    const MaqecfRecord& printer);

// Writes the file, the message file and mails them; "dataenvia_atocotepe"
// moves to today only when the mailer sent it. True when it was sent (or
// nothing was due).
bool send_monthly_cotepe_file(const MaqecfRecord& printer, const CashDayServices& services);

}  // namespace balcora::ecf
