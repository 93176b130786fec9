#pragma once

#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <map>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// The working memory of the virtual printer: everything a real fiscal printer
// keeps between two commands, written whole and durably after each command
// that changes it. The fiscal memory (reductions) and the tape memory (issued
// documents) grow without end and live in journals of their own; this memory
// records how much of each journal is committed.
namespace balcora::vecf {

using util::DayNumber;
using util::Money;
using util::Quantity;
using Price = util::Fixed<3>;

// A moment of the printer's clock: day number and seconds since midnight.
struct Moment {
    DayNumber day = 0;
    int seconds = 0;

    std::int64_t value() const { return std::int64_t{day} * 86400 + seconds; }
    bool operator==(const Moment&) const = default;
};

struct Item {
    int number = 0;
    std::string code, description, unit, totaliser, cest, ncm;
    Price price;
    Quantity quantity;
    Money total, discount, surcharge;
    Money share;  // this item's part of the coupon's discount or surcharge
    bool cancelled = false;

    Money net() const { return total - discount + surcharge; }
};

struct Payment {
    std::string method;
    Money amount;
};

// A credit/debit voucher issued for the last coupon.
struct Voucher {
    int coo = 0;
    std::string method;
    Money amount;
    bool reversed = false;
};

enum class DocKind { none, coupon, report, voucher };
enum class Phase { items, totalled, paying, paid };

// The document open on the printer, with what it printed so far.
struct OpenDocument {
    DocKind kind = DocKind::none;
    int coo = 0;
    Moment started;
    std::vector<std::string> lines;

    // Fiscal coupon.
    int ccf = 0;
    Phase phase = Phase::items;
    std::string consumer_doc;
    std::string consumer_name, consumer_address, consumer_id;
    std::vector<Item> items;
    Money adjustment;  // coupon surcharge (positive) or discount (negative)
    std::vector<Payment> payments;

    // Management report and credit/debit voucher.
    int gnf = 0, grg = 0, cdc = 0;
    int linked_coo = 0, linked_ccf = 0;
    std::string method;
    Money amount;
    int instalments = 0;

    Money items_net() const;
    Money total() const { return items_net() + adjustment; }
    Money paid() const;
};

// The last coupon issued, as long as it may still be cancelled or linked to a
// voucher.
struct LastCoupon {
    int coo = 0, ccf = 0;
    Money total;
    std::map<std::string, Money> by_totaliser;  // net of each tax totaliser
    std::vector<Payment> payments;
    bool cancellable = false, cancelled = false;
    std::vector<Voucher> vouchers;
};

// The last withdrawal or supply receipt, cancellable while nothing follows it.
struct LastCashMovement {
    int coo = 0, gnf = 0;
    std::string kind;  // "SA" or "SU"
    Money amount;
    bool cancellable = false;
};

// The counters of the last management report or voucher, for the document
// register.
struct IssuedNonFiscal {
    int coo = 0, gnf = 0, grg = 0, cdc = 0, ccf = 0;
    bool present = false;
};

// The totalisers of the fiscal day (movement) in progress.
struct Day {
    bool open = false;
    DayNumber movement = 0;
    Money gt_start;
    int first_coo = 0;
    std::map<std::string, Money> tax;  // tax totalisers: "01T1800", "F1", "I1", "N1", ...
    Money canc, desc, surch;           // ICMS cancellations, discounts, surcharges
    Money canc_iss, desc_iss, surch_iss;
    std::map<std::string, Money> payments;  // received per payment method
    Money change;
    Money withdrawals, supplies;
    int coupons = 0, cancelled_coupons = 0;
};

// The shop data programmed into the printer, printed at the top of every
// document.
struct Header {
    std::string razao, fantasia, endereco, cidade, cnpj, ie, im;
    int ecf_number = 0, store = 0;
};

struct Memory {
    std::string serial;
    int coo = 0, ccf = 0, cro = 1, crz = 0, gnf = 0, grg = 0, cdc = 0;
    int cfc = 0;           // cancelled coupons
    int ncn = 0;           // cancelled non-fiscal receipts
    int cdc_reversed = 0;  // reversed credit/debit vouchers
    Money gt;

    Day day;
    OpenDocument doc;
    LastCoupon last_coupon;
    LastCashMovement last_cash;
    IssuedNonFiscal last_report, last_voucher;

    bool summer = false, tef = false, cutter = false;
    DayNumber last_z_movement = 0;
    Moment last_z_at;

    std::map<std::string, char> tax_letters;  // programmed index ("01") -> 'T' or 'S'
    std::vector<std::string> methods;         // programmed payment methods
    Header header;

    // Committed lengths of the journals beside this memory.
    std::uint64_t mf_length = 0, mfd_length = 0, tape_length = 0;
};

inline constexpr int kMemoryVersion = 1;

// Thrown when a stored memory or journal cannot be trusted.
struct Damaged : std::runtime_error {
    using std::runtime_error::runtime_error;
};

std::string encode(const Memory& m);
// Throws Damaged for a wrong version, a bad checksum or an unreadable field.
Memory decode(std::string_view text);

}  // namespace balcora::vecf
