#pragma once

namespace balcora::sale {

// A coupon the printer still holds open when a sale screen opens was left
// by a power failure or a lost database connection: it is cancelled on the
// printer and marked cancelled in the database in one transaction, so the
// two agree again before anything else is sold. Without a coupon open, a
// voucher or report left open is closed and the last sale's credit voucher
// registered when it was not. False when the screen must close (the
// printer does not allow the cancellation, or the cancellation failed).
bool recover_open_coupon_after_failure();

// A credit voucher or management report a power cut interrupted keeps the
// printer from any new coupon: it is closed as it stands.
void close_documents_left_open();

// The credit voucher of the last coupon's store-credit payments, printed but
// not yet in the document register (the power went between the two), is
// registered; nothing is registered unless the printer's last voucher is the
// one linked to that coupon.
void register_voucher_left_unregistered();

}  // namespace balcora::sale
