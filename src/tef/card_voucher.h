#pragma once

// The card voucher on the fiscal printer: two copies in the non-fiscal
// receipt linked to the coupon, the paper cut between them, registered as
// "CC". When the printer refuses, the operator may have it printed again as
// a management report ("RG"), as often as the printer keeps refusing.

#include "util/fixed_point.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace balcora::tef {

struct CardVoucher {
    std::string method;  // the printer's name of the payment form
    util::Money amount;  // the approved amount
    std::int32_t coo = 0;
    int instalments = 1;
    std::vector<std::string> lines;  // one copy
};

enum class VoucherPrint {
    kReceipt,  // printed and registered as the linked receipt
    kReport,   // printed again as a management report
    kGivenUp,  // the operator gave up; nothing is left open on the printer
};

VoucherPrint print_card_voucher(const CardVoucher& voucher);

}  // namespace balcora::tef
