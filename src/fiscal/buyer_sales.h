#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace balcora::fiscal {

// The month's sales identified by the buyer's CPF or CNPJ: one Z4 per buyer
// with the coupons and invoices of the month added, between the company and
// developer records and a closing count, signed with an EAD line.
struct BuyerSalesRequest {
    int year = 0;
    int month = 0;
    // Digits only (buyer_digits()); empty for every buyer.
    std::string buyer;
    // The window shows the statement before the rows are read; the command
    // line has nobody to show it to.
    bool show_statement = false;
};

struct BuyerSalesResult {
    bool ok = false;   // written, signed and under its final name
    std::string file;  // the final name, also when something failed
};

// The one generation the window and the command line share. Every failure is
// shown through the prompt port and leaves no file under the final name: the
// file is written under a temporary name in the same folder and takes its
// final name only once signed.
BuyerSalesResult generate_buyer_sales(const BuyerSalesRequest& request);

// The statement whose rows become the Z4 records (the company is
// glo::id_empresa); the benchmark times it alone.
std::string buyer_sales_statement(const BuyerSalesRequest& request);

// <pafecf>/vendascpfcnpj_<yyyymm>[_<buyer>].txt
std::string buyer_sales_file(const BuyerSalesRequest& request);

inline constexpr std::size_t kCpfDigits = 11;
inline constexpr std::size_t kCnpjDigits = 14;

// The digits of a typed CPF/CNPJ as the file and the filter take them: up to
// 11 digits zero-filled to a CPF's 11, 12 to 14 to a CNPJ's 14, more left as
// they are (no document has them); empty when nothing was typed.
std::string buyer_digits(std::string_view typed);

// The typed CPF/CNPJ shown with its mask ("###.###.###-##" for 11 digits or
// fewer, "##.###.###/####-##" for 12 to 14); more digits are shown bare,
// no digits give an empty field.
std::string mask_buyer(std::string_view typed);

}  // namespace balcora::fiscal
