#pragma once

#include <cstdint>
#include <string_view>

// What a power cut can leave half done outside an open coupon, settled when a
// sale screen opens and finds no coupon open on the printer. Each step asks
// the printer, and changes nothing when the printer and the database agree.
namespace balcora::sale {

// A credit voucher or management report a cut interrupted keeps the printer
// from any new coupon: the one the printer says is open is closed as it
// stands; with a coupon open nothing is (its recovery follows).
void close_documents_left_open();

// The last coupon opened, still issued in the database, that the printer
// cancelled on its own COO (the cancellation's COMMIT never happened): the
// row is marked cancelled as the printer has it. Known by the printer's
// counters still naming that coupon while it refuses to cancel it, with no
// reduction pending.
void settle_coupon_cancelled_on_printer();

// The last coupon whose cancellation was asked of the printer and never
// committed: marked cancelled when the printer's tape holds that coupon's
// cancellation among the documents issued since the note (and the coupon is
// still the printer's last, no longer cancellable); the note is dropped
// either way.
void settle_pending_cancellation();

// The credit voucher of the last coupon's store-credit payments, or the card
// voucher of its card payment, printed but not in the document register (the
// power went between the two), is registered (a card payment row gets the
// voucher's number); nothing is registered unless the printer's last voucher is the
// one linked to that coupon.
void register_voucher_left_unregistered();

// Whether one of the printer's documents numbered first..last, as its tape
// memory holds them, has the line `label` followed by `coo`: the cancellation
// of a coupon ("COO do cupom cancelado:") or the reversal of a voucher ("COO
// do comprovante estornado:") after the fact. The counters cannot tell them:
// a reading or a receipt moves the COO just as well. False when the printer
// cannot say.
bool printer_documents_show(std::int64_t first, std::int64_t last, std::string_view label,
                            std::int64_t coo);
inline constexpr std::string_view kCancelledCouponLine = "COO do cupom cancelado:";
inline constexpr std::string_view kReversedVoucherLine = "COO do comprovante estornado:";
// The line of a credit or debit voucher naming the coupon it belongs to.
inline constexpr std::string_view kLinkedDocumentLine = "COO do documento vinculado:";

}  // namespace balcora::sale
