#pragma once

#include <cstdint>

// The document open on the printer, as a driver that can tell writes it with
// the coupon state: 0 none, 1 fiscal coupon, 2 management report, 3 credit or
// debit voucher. A driver that cannot leaves the mark the program set.
namespace glo {

extern std::uint8_t doc_aberto;
inline constexpr std::uint8_t kDocumentUnknown = 255;

}  // namespace glo
