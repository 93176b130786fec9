#pragma once

#include "util/fixed_point.h"

#include <cstdint>
#include <string>
#include <vector>

// Printing the documents that follow a closed coupon on the fiscal printer,
// each through its fixed command sequence and registered in the document
// register once printed. When the printer refuses a step the operator is
// asked "A impressora não responde!|Deseja tentar novamente?": Yes closes the
// document left open and prints it again from the start; No closes it too (so
// the printer is free for the next sale) and gives up. The coupon is already
// closed, so giving up loses nothing fiscal.
namespace balcora::sale {

// The credit/debit voucher linked to the coupon.
struct CreditVoucher {
    std::string method;  // printer name of the store-credit payment form
    util::Money amount;
    std::int32_t coo = 0;  // the coupon's COO
    int instalments = 1;
};

// Prints the lines in the voucher and registers it as "CC" with its amount.
// False when the operator gave up.
bool print_credit_voucher(const CreditVoucher& voucher, const std::vector<std::string>& lines);

// Prints the lines as a management report and registers it as "RG" with 0.
// False when the operator gave up.
bool print_management_report(const std::vector<std::string>& lines);

}  // namespace balcora::sale
