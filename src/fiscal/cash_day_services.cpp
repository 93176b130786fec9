#include "fiscal/cash_day_services.h"

#include "fiscal/mail_notice.h"
#include "fiscal/monthly_cotepe_file.h"
#include "fiscal/paf_registers.h"

#include <chrono>

namespace balcora::fiscal {

namespace {

// The mailer may wait on a relay that does not answer; the operator waits at
// the opening of the printer window meanwhile.
constexpr std::chrono::seconds kMailTimeout{60};

}  // namespace

ecf::CashDayServices cash_day_services() {
    ecf::CashDayServices s;
    s.registers = [](util::DayNumber day) {
        RegistersRequest request;
        request.start = day;
        request.end = day;
        request.from_day_close = true;
        return generate_paf_registers(request).ok;
    };
    s.monthly_file = [](const MaqecfRecord& printer) {
        return send_monthly_cotepe_file(printer, [](const MonthlyFileMail& m) {
            return send_mail_notice(m.body, m.subject, m.recipient, {m.attachment}, kMailTimeout);
        });
    };
    return s;
}

}  // namespace balcora::fiscal
