#pragma once

#include "ecf/fiscal_printer.h"

#include <optional>

namespace balcora::ecf {

enum class OpenDocument { kUnknown, kNone, kCoupon, kReport, kVoucher };

// Which document the printer has open, asked with its coupon state: closing
// one of another kind is refused in front of the operator. kUnknown when the
// driver cannot tell; nullopt when the printer did not answer.
std::optional<OpenDocument> read_open_document(Printer& printer);

}  // namespace balcora::ecf
