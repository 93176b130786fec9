#include "forms/seller_lookup.h"

#include "db/settings.h"
#include "forms/lookup_filter.h"
#include "util/fixed_point_text.h"

namespace balcora::forms {

std::string SellerLookup::statement(const std::string& filter) const {
    return "SELECT id_vendedor, nome, taxa_com, forma_pag FROM balcora.vendedor WHERE ativo = 1" +
           (filter.empty() ? std::string() : " and " + folded_like("nome", filter)) +
           " ORDER BY UPPER(balcora.to_ascii(nome)), id_vendedor";
}

void SellerLookup::take_row(const db::PgResult& r, int i) {
    lines_.push_back(
        {static_cast<std::int32_t>(text_to_integer(r.value(i, 0))), std::string(r.value(i, 1)),
         util::to_br(util::read_number<2>(r.value(i, 2)).value), std::string(r.value(i, 3))});
}

}  // namespace balcora::forms
