#pragma once

#include "memory.h"

#include <string>
#include <string_view>
#include <vector>

// The two append-only journals of the printer: the fiscal memory (one record
// per Z reduction and per summer-time change) and the tape memory (every
// document issued, with the lines it printed). Each record carries its own
// checksum, so a damaged journal is recognised when it is read.
namespace balcora::vecf {

struct ZRecord {
    int crz = 0, coo = 0, cro = 0;
    DayNumber movement = 0;
    Moment emitted;
    Money gt, gross;
    int first_coo = 0, last_coo = 0;
    std::map<std::string, Money> tax;
    Money canc, desc, surch, canc_iss, desc_iss, surch_iss;
    Money icms, iss;
};

struct SummerEvent {
    Moment at;
    bool on = false;
};

struct FiscalRecord {
    enum class Kind { reduction, summer } kind = Kind::reduction;
    ZRecord z;
    SummerEvent summer;
};

// Document kinds of the tape memory.
namespace doc {
inline constexpr const char* kCoupon = "CF";         // fiscal coupon (also cancelled while open)
inline constexpr const char* kCancellation = "CAN";  // cancellation of the last coupon
inline constexpr const char* kCashReceipt = "CNF";   // withdrawal or supply receipt
inline constexpr const char* kCashCancel = "NCN";    // cancellation of a receipt
inline constexpr const char* kReport = "RG";         // management report
inline constexpr const char* kVoucher = "CCD";       // credit/debit voucher
inline constexpr const char* kReversal = "ECD";      // reversal of a voucher
inline constexpr const char* kXReading = "LX";
inline constexpr const char* kZReduction = "RZ";
inline constexpr const char* kMemoryReading = "LMF";
inline constexpr const char* kListing = "PRG";  // printer programming listing
}  // namespace doc

struct TapeDocument {
    int coo = 0;
    std::string kind;
    Moment at;
    int ccf = 0, gnf = 0, grg = 0, cdc = 0;
    Money value;
    std::string status = "N";  // "N" normal, "C" cancelled
    std::vector<std::string> lines;
};

std::string encode_reduction(const ZRecord& z);
std::string encode_summer(const SummerEvent& e);
// Reads committed journal text; throws Damaged on a record that fails its check.
std::vector<FiscalRecord> read_fiscal_memory(std::string_view text);

std::string encode_document(const TapeDocument& d);
std::vector<TapeDocument> read_tape_memory(std::string_view text);

// "yyyy-mm-dd hh:mm:ss" and back (day 0 when unreadable).
std::string iso_moment(const Moment& m);
Moment parse_iso_moment(std::string_view text);
std::string hms(int seconds);

}  // namespace balcora::vecf
