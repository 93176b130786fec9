#pragma once

#include "db/sql_record.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The items of a fiscal coupon as stored (cfiscald), and the coupon totals
// that follow from them.
namespace balcora::sale {

struct CouponItem {
    std::int64_t id_cfiscald = 0;
    std::int32_t num_item = 0;
    std::int32_t id_produto = 0;
    std::string code;  // the product's barcode, or its internal code without one
    std::string descricao;
    std::string unidade;
    util::Fixed<3> preco;
    util::Quantity qtdade;
    util::Money total;
    util::Money vl_acrescimo;
    util::Money vl_desconto;
    util::Money comissao;  // rate, 2.50 for 2.5 %
    bool cancelled = false;

    // What the item adds to the coupon.
    util::Money net() const { return total + vl_acrescimo - vl_desconto; }
};

// The SELECT of the items that satisfy an SQL condition over "d" (the items)
// in item order, and the reading of the row a record stands on.
std::string coupon_item_select(std::string_view condition, std::string_view extra_columns = {});
CouponItem read_coupon_item(const db::SqlRecord& r);

// The items of a coupon in item order; nullopt when the query failed (shown).
std::optional<std::vector<CouponItem>> load_coupon_items(std::int64_t id_cfiscal);

struct CouponTotals {
    util::Money total;     // sum of the net of the items not cancelled
    util::Money comissao;  // the coupon's commission rate, weighted by the items' net
    bool operator==(const CouponTotals&) const = default;
};

// Both zero without items (or when every item was cancelled).
CouponTotals coupon_totals(const std::vector<CouponItem>& items);

// Stores the totals in the coupon row and its hash again, in one round trip,
// inside the caller's transaction when there is one. False after the failure
// was shown.
bool write_coupon_totals(std::int64_t id_cfiscal, const CouponTotals& totals);
// The same totals worked out by the server from the stored items, and the
// coupon's hash: statements to prepare, the coupon's id as $1.
std::string coupon_totals_statement();
std::string coupon_hash_statement();

}  // namespace balcora::sale
