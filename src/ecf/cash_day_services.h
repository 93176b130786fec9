#pragma once

#include "fiscal/mail_notice.h"
#include "fiscal/paf_registers.h"

#include <filesystem>
#include <functional>
#include <string>

// The services the cash day uses beyond the printer and the database, so
// that tests put their own in place: the day's registers file, the mail of
// the monthly file, and the end of the program after a failed closing.
namespace balcora::ecf {

struct MonthlyFileMail {
    std::string recipient;
    std::string subject;
    std::filesystem::path body;        // an HTML message file
    std::filesystem::path attachment;  // the file the printer wrote
};

struct CashDayServices {
    // The PAF-ECF registers file; empty when this build has none.
    std::function<fiscal::RegistersResult(const fiscal::RegistersRequest&)> registers;
    // Whether the mailer sent the message and why not (nothing shown); empty
    // when this build has no mailer.
    std::function<fiscal::MailOutcome(const MonthlyFileMail&)> mail;
    // Ends the program (the windows side knows how); empty leaves it to the
    // caller, which then only sees the message.
    std::function<void()> end_application;
};

// The program's own services: the real registers file and mailer. The
// windows side adds how the program ends.
CashDayServices default_cash_day_services();

}  // namespace balcora::ecf
