#pragma once

#include "ecf/maqecf_record.h"
#include "fiscal/mail_notice.h"
#include "util/day_number.h"

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>

// The monthly regulatory file of the tape memory (Ato COTEPE 17/04), written
// by the printer for the month before the last Z reduction's and mailed to
// the shop's accountant, once a month, when the printer window opens.
namespace balcora::fiscal {

struct MonthlyFileMail {
    std::string recipient;
    std::string subject;
    std::filesystem::path body;        // an HTML message file
    std::filesystem::path attachment;  // the file the printer wrote
};

// Whether the mailer sent the message and why not (nothing shown); tests put
// their own in place.
using MonthlyFileMailer = std::function<MailOutcome(const MonthlyFileMail&)>;

// The month to send, first and last day; nullopt when the file is switched
// off ("AtoCOTEPE" "N"), there was no Z reduction yet, or the month of the
// last reduction was already sent.
std::optional<std::pair<util::DayNumber, util::DayNumber>> monthly_file_period(
    const MaqecfRecord& printer);

// Writes the file, the message file and mails them; "dataenvia_atocotepe"
// moves to today only when the mailer sent it. True when it was sent (or
// nothing was due).
// nothing was due). An empty mailer: the file is written and the operator
// told that mailing it is not available.
bool send_monthly_cotepe_file(const MaqecfRecord& printer, const MonthlyFileMailer& mail);

}  // namespace balcora::fiscal
