#pragma once

#include "backoffice/pre_sale_data.h"

#include <cstdint>
#include <optional>
#include <string>

// Several checkouts list the same waiting pre-sales. Before a checkout's
// printer takes anything of one, the checkout claims the order in the back
// office with one conditional statement that only one checkout can win:
//
//     UPDATE kontora.pedidos SET situa=5, serie_docfiscal_vinc=<printer number>
//      WHERE id_pedido=<id> AND situa=2;
//
// A claimed order (situa 5) leaves every checkout's list; its
// serie_docfiscal_vinc names the point of sale (maqecf.numero) that holds it,
// so the loser can be told. The issue's outcome replaces the claim (situa 3
// or 4 with the coupon's CRO and COO); a coupon not issued gives the order
// back (situa 2, serie_docfiscal_vinc as it was).
//
// The checkout notes the claim locally before it asks for it, so a checkout
// killed anywhere in the issue settles the claim when the pre-sale window
// opens again: the order is given back, or the coupon's outcome is kept for
// the back office, never both.
namespace balcora::backoffice {

inline constexpr int kOrderWaiting = 2;
inline constexpr int kOrderIssued = 3;
inline constexpr int kOrderCancelled = 4;
inline constexpr int kOrderClaimed = 5;

// What the operator asked of the pre-sale.
enum class ClaimIntent { kIssue, kCancel };

enum class ClaimResult {
    kClaimed,  // this checkout holds the order: the printer may take it
    kRefused,  // another checkout holds it, or it waits no more (shown)
    kFailed,   // the back office could not be told first (shown); nothing printed
};

// Claims the order for this checkout's point of sale.
ClaimResult claim_order(const PreSaleHeader& order, ClaimIntent intent);

// The pre-sale's coupon was issued and the give-up's cancellation is next:
// from here a cancelled coupon means the order was cancelled, not left
// waiting.
bool note_cancellation_begun();

// The coupon's outcome is kept in the pending updates: the claim is settled
// by them, the local note goes.
bool forget_claim();

// A claim this checkout still holds is settled by its coupon: one closed and
// standing keeps the outcome for the back office (issued, or cancelled once
// the give-up's cancellation went through); none, or one cancelled before it
// was closed, gives the order back. Run after an issue that failed, and at
// the opening of the pre-sale window once a coupon left open on the printer
// was recovered (while one is open nothing is settled). True when no claim
// is left; otherwise the note stays and the next opening tries again.
bool settle_claim_left_behind();

// The order as the back office holds it now, for a pre-sale that left the
// list: who has it, or what became of it, told to the operator.
void explain_order_not_waiting(std::int32_t id_pedido, std::int64_t num_pv);

// The store's order of this pre-sale number (the last one), nullopt when the
// back office has none or could not be read (shown).
std::optional<std::int32_t> order_of_pre_sale(std::int32_t company, std::int64_t num_pv);

}  // namespace balcora::backoffice
