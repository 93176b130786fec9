#pragma once

#include <cstdint>
#include <string>

// What the back office is told after a coupon of one of its orders was
// issued or cancelled. The outcome is first kept in a pending record of the
// local settings table ("ERRO_CF_<id>" issued, "ERRO_CF_CANC<id>" cancelled),
// removed only once the back office took the whole update; each update runs
// in one transaction of the back office, so a retry never writes twice.
// Every function but the browse's runs on a link the caller opened.
namespace balcora::backoffice {

enum class OrderOutcome { kIssued, kCancelled };

// "ERRO_CF_00000042" / "ERRO_CF_CANC00000042".
std::string pending_key(std::int64_t id_cfiscal, OrderOutcome outcome);
// The pending record, kept once (a second write changes nothing). False
// after the failure was shown.
bool record_pending_update(std::int64_t id_cfiscal, OrderOutcome outcome);
bool delete_pending_update(std::int64_t id_cfiscal, OrderOutcome outcome);

// Where a cancellation was made: the pre-sale window logs it in gestao.log,
// the coupon browse in kontora.log.
enum class LogTable { kGestao, kKontora };

// The order of the coupon marked issued (situa 3, with the coupon's day and
// its day number when the coupon is of a later day) or cancelled (situa 4,
// its titles cancelled), with the back office's registro and log rows; the
// pending record removed on success. False after the failure was shown; the
// pending record stays.
bool update_order(std::int64_t id_cfiscal, OrderOutcome outcome, LogTable log = LogTable::kGestao);

// Every pending record tried again, in the order the outcomes happened (by
// coupon, its issue before its cancellation); false when any stays (the
// operator was told "Pré-Venda não está conseguido atualizar o(s)
// pedido(s)!").
bool retry_pending_updates();

// The coupon browse cancelled a coupon of an order (the pending record is
// already written): opens the link, gives the order back and closes it.
bool update_order_after_browse_cancellation(std::int64_t id_cfiscal);

}  // namespace balcora::backoffice
