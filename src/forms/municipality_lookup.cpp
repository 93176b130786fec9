#include "forms/municipality_lookup.h"

#include "db/settings.h"
#include "forms/lookup_filter.h"

namespace balcora::forms {

std::string MunicipalityLookup::statement(const std::string& filter) const {
    return "SELECT id_municipio, nome, estado, codigo_ibge FROM balcora.municipio" +
           (filter.empty() ? std::string() : " WHERE " + folded_like("nome", filter)) +
           " ORDER BY UPPER(balcora.to_ascii(nome)), estado, id_municipio";
}

void MunicipalityLookup::take_row(const db::PgResult& r, int i) {
    lines_.push_back({static_cast<std::int32_t>(text_to_integer(r.value(i, 0))),
                      std::string(r.value(i, 1)), std::string(r.value(i, 2)),
                      std::string(r.value(i, 3))});
}

}  // namespace balcora::forms
