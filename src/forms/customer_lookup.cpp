#include "forms/customer_lookup.h"

#include "db/settings.h"
#include "forms/lookup_filter.h"

namespace balcora::forms {

std::string CustomerLookup::statement(const std::string& filter) const {
    std::string condition;
    if (!filter.empty()) {
        // Either name may be the one the operator knows the customer by.
        condition =
            " and (" + folded_like("razao", filter) + " or " + folded_like("nome", filter) + ")";
    }
    return "SELECT id_cliente, razao, nome, cgcpf, telef FROM balcora.cliente WHERE ativo = 1" +
           condition + " ORDER BY UPPER(balcora.to_ascii(razao)) COLLATE \"C\", id_cliente";
}

void CustomerLookup::take_row(const db::PgResult& r, int i) {
    lines_.push_back({static_cast<std::int32_t>(text_to_integer(r.value(i, 0))),
                      std::string(r.value(i, 1)), std::string(r.value(i, 2)),
                      std::string(r.value(i, 3)), std::string(r.value(i, 4))});
}

}  // namespace balcora::forms
