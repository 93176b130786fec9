#pragma once

#include "ecf/cash_day_services.h"

namespace balcora::fiscal {

// The program's own services of the cash day: the real registers file and
// the monthly file through the mailer. The windows side adds how the
// program ends.
ecf::CashDayServices cash_day_services();

}  // namespace balcora::fiscal
