#pragma once

#include "sale/coupon_items.h"
#include "util/fixed_point.h"

#include <string>
#include <string_view>
#include <vector>

// The Quick Sale's tape: what the customer display shows of the coupon, as
// entries of two text lines of exactly 61 characters. Amounts are written as
// the screens write them (1.234,56), right-aligned; the view alternates the
// entries' background.
namespace balcora::sale {

inline constexpr std::size_t kTapeWidth = 61;

struct TapeEntry {
    std::string line1;
    std::string line2;
    bool operator==(const TapeEntry&) const = default;
};

// Number, code, description; quantity x unit price and the item total.
TapeEntry item_entry(const CouponItem& item);
// "****   ITEM Nº 0003 CANCELADO" and the amount the coupon lost.
TapeEntry item_cancelled_entry(int num_item, util::Money item_net);
// "Sub-total" (total + discount - surcharge) over "Desconto" (negative) or
// "Acréscimo".
TapeEntry adjustment_entry(util::Money total, util::Money discount, util::Money surcharge);
TapeEntry total_entry(util::Money total);
// A payment by its two-letter code (DI, CH, CA, VA, CO, CR, CC, PI).
TapeEntry payment_entry(std::string_view tipo, util::Money amount);
TapeEntry change_entry(util::Money change);
TapeEntry coupon_cancelled_entry();

// The name a payment code shows on the tape; the code itself when unknown.
std::string payment_method_name(std::string_view tipo);

struct TapePayment {
    std::string tipo;
    util::Money valor;
};

// Everything the tape shows of a coupon.
struct TapeSource {
    std::vector<CouponItem> items;
    util::Money total;
    util::Money vl_desconto;
    util::Money vl_acrescimo;
    bool payment_started = false;
    std::vector<TapePayment> payments;
};

class CouponTape {
  public:
    // Items in order, each cancelled one followed by its cancellation; the
    // sub-total with the discount or surcharge when there is one; the total
    // once payment has started; the payments.
    static CouponTape build(const TapeSource& source);

    const std::vector<TapeEntry>& entries() const { return entries_; }
    bool empty() const { return entries_.empty(); }
    void add(TapeEntry e) { entries_.push_back(std::move(e)); }
    void clear() { entries_.clear(); }
    // The lines one under the other, each ended by a line feed (logs, tests).
    std::string text() const;

  private:
    std::vector<TapeEntry> entries_;
};

}  // namespace balcora::sale
