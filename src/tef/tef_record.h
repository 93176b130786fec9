#pragma once

// The records exchanged with the card-payment manager ("Gerenciador Padrão"):
// lines "CCC-III = value" separated by CR LF, the value from column 11, a
// request closed by "999-999 = 0". Pure text in and out; the files and the
// waits live in tef_exchange.h.

#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace balcora::tef {

// The longest request the manager takes, in bytes.
inline constexpr std::size_t kMaxRequestSize = 1000;
// Responses are read line by line; a longer line is cut here.
inline constexpr std::size_t kMaxResponseLine = 300;
// What a manager's answer may make the program print and store: a card
// voucher is a few dozen lines (100 are 40 cm of paper per copy, printed
// twice), and no card plan has more instalments than field 018's two digits.
inline constexpr int kMaxVoucherLines = 100;
inline constexpr int kMaxInstalments = 99;

// "9" and the time of day in hundredths of a second as 7 digits: 10:00:00.00
// is "93600000". Out-of-range values are folded into one day.
std::string transaction_identifier(std::int64_t hundredths_since_midnight);

// Requests, each line ending in CR LF. COO as 6 digits; amounts in cents
// without padding (CNC: 12 digits). Texts taken from a response (network,
// NSU, control field) are trimmed.
std::string atv_request(std::string_view id);
std::string adm_request(std::string_view id);
// Card sale: 003 and 707 carry the subtotal, 708 the change or balance of
// the payment screen, 709 the coupon's discount.
std::string crt_request(std::string_view id, std::int64_t coo, util::Money subtotal,
                        util::Money change, util::Money discount);
// Cheque query for the amount of the payment.
std::string chq_request(std::string_view id, std::int64_t coo, util::Money amount);
// Confirmation (CNF) or non-confirmation (NCN) of the transaction `id`.
enum class Confirmation { kConfirm, kUndo };
std::string confirmation_request(Confirmation kind, std::string_view id, std::int64_t coo,
                                 std::string_view network, std::string_view nsu,
                                 std::string_view control);
// Cancellation of an approved card sale; `time` is HHMMSS.
std::string cnc_request(std::string_view id, std::int64_t coo, util::Money amount,
                        std::string_view network, std::string_view nsu, util::DayNumber date,
                        std::string_view time);

// What the operator reads (title "T E F") once a transaction was undone:
// network, NSU and amount when the transaction had them.
std::string undo_notice(std::string_view network, std::string_view nsu, util::Money amount);

// Every well-formed line of a response: (code, index) -> value from column
// 11, CR LF removed. Lines that are not "DDD-DDD = " are skipped; the first
// of two lines with the same code and index wins.
using ResponseFields = std::map<std::pair<int, int>, std::string>;
ResponseFields parse_fields(std::string_view bytes);

struct Instalment {
    util::DayNumber due = 0;  // 0 when the manager gave no valid date
    util::Money amount;
};

// The fields of a response this system uses. Texts are UTF-8 (a manager
// writing Windows-1252 is converted) and cut to the sizes the files of the
// payment rows hold.
struct Response {
    std::string identifier;               // 001, columns 11-18
    util::Money amount;                   // 003, cents
    std::string status;                   // 009
    std::string network;                  // 010
    int transaction_type = 0;             // 011
    std::string nsu;                      // 012
    std::int64_t authorisation = 0;       // 013
    int instalment_type = 0;              // 017
    std::vector<Instalment> instalments;  // 018 entries, due 019-i, value 020-i
    util::DayNumber date = 0;             // 022 DDMMAAAA
    std::string time;                     // 023 HHMMSS
    std::string control;                  // 027, echoed in CNF/NCN
    int voucher_count = 0;                // 028
    std::vector<std::string> voucher;     // 029-1..029-n; a missing line is blank
    std::string message;                  // 030, for the operator
    std::string cheque_form_suffix;       // 040
    // The closing line "999-999" was read: the manager finished writing.
    bool complete = false;
    // What was cut to the limits above, for the operator; empty when nothing.
    std::string cut;

    // The manager approved the transaction: it sent voucher lines.
    bool approved() const { return voucher_count != 0; }
};

// Reads any bytes without failing; what cannot be read stays empty or zero.
Response read_response(std::string_view bytes);

}  // namespace balcora::tef
