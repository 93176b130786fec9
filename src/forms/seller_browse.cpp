#include "forms/seller_browse.h"

#include "db/settings.h"
#include "forms/lookup_filter.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::forms {

std::string SellerBrowse::statement(const std::string& filter) const {
    return "SELECT v.id_vendedor, v.nome, v.cpf_cnpj, v.fone, v.celular, v.email, m.nome, "
           "m.estado, v.taxa_com, v.forma_pag, v.ativo FROM balcora.vendedor v LEFT JOIN "
           "balcora.municipio m ON m.id_municipio=v.id_municipio" +
           (filter.empty() ? std::string() : " WHERE " + folded_like("v.nome", filter)) +
           " ORDER BY UPPER(balcora.to_ascii(v.nome)), v.id_vendedor";
}

void SellerBrowse::take_row(const db::PgResult& r, int i) {
    auto text = [&](int column) { return util::trim(r.value(i, column)); };
    const std::string uf = text(7);
    lines_.push_back({static_cast<std::int32_t>(text_to_integer(r.value(i, 0))), text(1), text(2),
                      text(3), text(4), text(5), uf.empty() ? text(6) : text(6) + " - " + uf,
                      util::to_br(util::read_number<2>(r.value(i, 8)).value), text(9),
                      text_to_integer(r.value(i, 10)) == 1});
}

}  // namespace balcora::forms
