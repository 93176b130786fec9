#include "ecf/open_document.h"

#include "globals/globals.h"
#include "globals/open_document.h"

namespace balcora::ecf {

std::optional<OpenDocument> read_open_document(Printer& printer) {
    glo::doc_aberto = glo::kDocumentUnknown;
    // Asking which document is open changes nothing the checkout keeps: the
    // coupon flag may say more than the printer (2, a card transaction
    // pending) and stays as it was.
    const std::uint8_t coupon_flag = glo::cf_aberto;
    const auto state = printer.read_coupon_state();
    glo::cf_aberto = coupon_flag;
    if (!state) return std::nullopt;
    if (state->open) return OpenDocument::kCoupon;
    switch (glo::doc_aberto) {
        case 0:
            return OpenDocument::kNone;
        case 2:
            return OpenDocument::kReport;
        case 3:
            return OpenDocument::kVoucher;
        default:
            return OpenDocument::kUnknown;
    }
}

}  // namespace balcora::ecf
