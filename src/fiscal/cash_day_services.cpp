#include "ecf/cash_day_services.h"

#include <chrono>

namespace balcora::ecf {

namespace {

// The mailer may wait on a relay that does not answer; the operator waits at
// the opening of the printer window meanwhile.
constexpr std::chrono::seconds kMailTimeout{60};

}  // namespace

CashDayServices default_cash_day_services() {
    CashDayServices s;
    s.registers = fiscal::generate_paf_registers;
    s.mail = [](const MonthlyFileMail& m) {
        return fiscal::send_mail_notice(m.body, m.subject, m.recipient, {m.attachment},
                                        kMailTimeout);
    };
    return s;
}

}  // namespace balcora::ecf
