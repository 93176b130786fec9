#pragma once

#include "db/sql_runner.h"
#include "globals/checkout_state.h"
#include "util/day_number.h"

#include <cstdint>
#include <functional>
#include <string>

// Cancelling a fiscal coupon: the open one, or the last one the printer
// issued. The row is marked cancelled and sealed again in a transaction that
// is committed only when the printer took the cancellation, so the database
// never says cancelled what the printer still counts, nor the reverse.
namespace balcora::sale {

// Where the operator asked for it: the Quick Sale tells a store-credit sale by
// its payment rows, the coupon browse by the credit voucher the printer
// issued for it.
enum class CancelFrom { kQuickSale, kCouponBrowse };

// Setting (section "PAF-ECF") naming the last coupon whose cancellation was
// asked of the printer and not yet committed: "<id_cfiscal>;<COO before>".
inline constexpr const char* kPendingCancellation = "Cancelamento Pendente";

// The open coupon (Quick Sale "CC", coupon form). True when cancelled; then
// glo::cf_aberto is 0.
bool cancel_open_coupon(CheckoutState& checkout, std::int64_t id_cfiscal);

// The printer's last coupon: refused unless it is (its CCF is the printer's),
// asked before, and the credit voucher of a store-credit sale reversed
// first. From the coupon browse the success is announced and a coupon that
// came from a back-office order leaves the pending mark for the order's
// update. True when cancelled.
bool cancel_last_coupon(std::int64_t id_cfiscal, CancelFrom from);

// The transaction every cancellation shares: `set` (the columns after
// "UPDATE balcora.cfiscal SET ") with situacao 'C', the hashes of the row and
// its items, the day marked for the stock export, then `cancel` (the
// printer's command); COMMIT only when `cancel` succeeded. `report` tells
// the operator of a failed update.
bool commit_cancellation(std::int64_t id_cfiscal, const std::string& set, util::DayNumber day,
                         const db::FailureReport& report, const std::function<bool()>& cancel);

// The printer's part of cancelling a coupon paid by card, for the card
// functions: the open coupon, or the printer's last one with every voucher
// printed for it reversed first (the customer's document, "000.000.000-00"
// without one, on each reversal). False when the printer refused (it told
// the operator why).
bool cancel_card_coupon_on_printer(std::int64_t id_cfiscal);

// A card payment the manager is to undo after the printer had registered it
// (the closing refused, the voucher given up, the confirmation not taken):
// the customer pays nothing, so the coupon it was to pay, still open or just
// closed, is cancelled on the printer and in the database as after a power
// failure, and the card row (id_cfiscalfp) counts no more, whatever the
// printer did. True when the coupon was cancelled; then glo::cf_aberto is 0.
bool cancel_coupon_of_undone_payment(std::int64_t id_cfiscal, std::int64_t id_cfiscalfp);

// A card transaction left pending by a crash (the start-up found its answer
// and set glo::cf_aberto to 2): the coupon it paid, still open or the
// printer's last, is cancelled on the printer and in the database, and the
// transaction undone at the manager (sale/card_functions.h). False when
// the screen must close.
bool recover_card_coupon_after_failure(CheckoutState& checkout);

}  // namespace balcora::sale
