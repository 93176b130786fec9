#pragma once

#include "sale/payment_coupon.h"
#include "util/fixed_point.h"

#include <optional>
#include <string>
#include <string_view>

// Ending a paid coupon on the printer: the consumer identified, the closing
// message with the approximate taxes, and the close command.
namespace balcora::sale {

// The message printed under the coupon: the approximate taxes ("Trib aprox
// R$: 1,23 Federal e 0,45 Municipal" and "Fonte: IBPT    <key>", each padded
// to 48) or, without federal and state taxes, the thank-you text.
std::string closing_message(util::Money federal, util::Money state, util::Money municipal,
                            std::string_view ibpt_key);

// "Venda Finalizada! Troco R$        7,70." when change was given, else
// "Venda Finalizada! Obrigado.".
std::string sale_finished_text(util::Money change);

// Identifies the coupon's client, when it has one that exists, and closes the
// coupon. False when the printer refused either (the coupon stays open and the
// operator may confirm again). A coupon from a pre-sale brings its own message.
bool close_fiscal_coupon(const PaymentCoupon& coupon,
                         std::optional<std::string> message = std::nullopt);

}  // namespace balcora::sale
