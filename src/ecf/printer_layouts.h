#pragma once

#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The fixed parameter layouts of the printer commands, built in UTF-8 (send()
// converts them). Widths count characters as the printer sees them. A builder
// that returns nullopt was given a value the field cannot hold (a negative or
// too large amount, a missing date, a path or counter too long): sending a
// cut value would make the printer do something else than asked, so the
// caller must not send.
namespace balcora::ecf {

// CMD_SELL_ITEM p1: the 100-character item record.
struct ItemRecordFields {
    std::string_view code;         // product code, as stored
    std::int64_t cest = 0;         // 0 when the product has none
    std::int64_t ncm = 0;          // 0 when the product has none
    std::string_view description;  // product description
    util::Fixed<3> unit_price;
    util::Quantity quantity;
    util::Money total;
    std::string_view tax_code;  // the product's printer tax code (ecf_cod_st)
    std::string_view unit;
    util::Money discount;
    util::Money tax_rate;  // 18.00 for 18 %
};
inline constexpr std::size_t kItemRecordWidth = 100;
std::optional<std::string> item_record(const ItemRecordFields& item);

// CMD_SELL_ITEM p4: the product code zero-filled to 13 (a 14-character code
// goes whole).
std::string item_code(std::string_view code);

// CMD_OPEN_COUPON p1: the consumer's CPF/CNPJ as stored, 18 characters, blank
// when there is none.
std::string consumer_document(std::string_view cpf_cnpj);

// CMD_IDENTIFY_CONSUMER p1: name (65) + address (80) + "CPF: " or "CNPJ: " and
// the number (30). Without `company` a document of 14 digits is a CNPJ; blank
// when none.
std::string consumer_identification(std::string_view name, std::string_view address,
                                    std::string_view cpf_cnpj,
                                    std::optional<bool> company = std::nullopt);

// CMD_START_CLOSING p1: amount x1000 (13 digits) + "00000" for a discount or
// "00002" for a surcharge; with neither, a zero surcharge.
enum class Adjustment { kNone, kDiscount, kSurcharge };
std::optional<std::string> start_closing(Adjustment kind, util::Money amount);

// CMD_PAYMENT p1: method name (16) + amount x1000 (13 digits) + free text (40).
std::optional<std::string> payment(std::string_view method, util::Money amount,
                                   std::string_view text = {});
// CMD_PAYMENT p2 of a pre-sale on credit: "PRAZO: " + terms (38).
std::string payment_terms(std::string_view terms);

// CMD_CLOSE_COUPON p1: the footer (up to 400 characters) + 255 blanks.
std::string coupon_footer(std::string_view message);
// CMD_CLOSE_COUPON p2: the coupon's invoice number, 6 digits, blank when 0.
std::optional<std::string> coupon_invoice_number(std::int64_t number);

// CMD_OPEN_DAY p1: opening supply x100, 14 digits.
std::optional<std::string> opening_supply(util::Money amount);

// CMD_CASH_MOVEMENT p1: "SA" (withdrawal) or "SU" (supply) + amount x100, 14 digits.
enum class CashMovement { kWithdrawal, kSupply };
std::optional<std::string> cash_movement(CashMovement kind, util::Money amount);

// Dates in the printer's form "dd/mm/yyyy"; nullopt for no date.
std::optional<std::string> printer_date(util::DayNumber day);
// Two dates back to back (CMD_RECOVER_REG60M p1).
std::optional<std::string> date_range(util::DayNumber start, util::DayNumber end);

// Fiscal memory readings: "S" simplified or "C" complete.
enum class Reading { kSimplified, kComplete };
// CMD_LMF_PRINT_BY_DATE / CMD_LMF_PRINT_BY_CRZ p1.
std::optional<std::string> reading_by_date(util::DayNumber start, util::DayNumber end,
                                           Reading kind);
std::optional<std::string> reading_by_crz(std::int64_t first, std::int64_t last, Reading kind);

// A file path as the printer takes it: 200 characters, blank-padded; nullopt
// for a longer path.
std::optional<std::string> path_field(const std::filesystem::path& file);
// CMD_DOWNLOAD_MF p1 is the path field alone.
// CMD_LMF_FILE_BY_DATE / CMD_LMF_FILE_BY_CRZ p1.
std::optional<std::string> reading_file_by_date(const std::filesystem::path& file,
                                                util::DayNumber start, util::DayNumber end,
                                                Reading kind);
std::optional<std::string> reading_file_by_crz(const std::filesystem::path& file,
                                               std::int64_t first, std::int64_t last, Reading kind);
// CMD_COTEPE_FILE_BY_DATE and CMD_MFD_MIRROR_BY_DATE p1: path + start + end.
std::optional<std::string> file_by_date(const std::filesystem::path& file, util::DayNumber start,
                                        util::DayNumber end);
// CMD_COTEPE_FILE_BY_COO p1: path + first and last number, 4 digits each.
std::optional<std::string> cotepe_file_by_coo(const std::filesystem::path& file, std::int64_t first,
                                              std::int64_t last);
// CMD_MFD_MIRROR_BY_COO p1: path + first and last COO, 6 digits each.
std::optional<std::string> mirror_file_by_coo(const std::filesystem::path& file, std::int64_t first,
                                              std::int64_t last);
// CMD_DOWNLOAD_MFD p1: path + the whole span of the tape memory.
std::optional<std::string> whole_tape_download(const std::filesystem::path& file);

// A counter zero-filled to a width; nullopt when negative or wider.
std::optional<std::string> counter_digits(std::int64_t value, int width);

// A line of a management report or voucher, ended by CR LF.
std::string document_line(std::string_view text);

// CMD_REGISTER_DOCUMENT p2: the amount x100 as plain decimal text ("1250").
std::string document_amount(util::Money amount);

// An amount given alone: plain decimal text with a point ("12.50").
std::string plain_amount(util::Money amount);

// CMD_REVERSE_CREDIT_VOUCHER p1: CPF/CNPJ in 18, "000.000.000-00" when none.
std::string voucher_consumer_document(std::string_view cpf_cnpj);
// CMD_REVERSE_CREDIT_VOUCHER p2 and p3: the consumer's name in 65 and
// address in 50, cut or blank-filled.
std::string voucher_consumer_name(std::string_view name);
std::string voucher_consumer_address(std::string_view address);

}  // namespace balcora::ecf
