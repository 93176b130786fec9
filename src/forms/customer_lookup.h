#pragma once

#include "forms/name_filtered_list.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace balcora::forms {

struct CustomerLine {
    std::int32_t id_cliente = 0;
    std::string razao;
    std::string nome;  // trade name
    std::string cgcpf;
    std::string telef;
};

// "Clientes": the active customers whose corporate or trade name matches the
// name filter (remembered in kontora.ini), by corporate name with case and
// accents set aside, for the coupon form to pick one.
class CustomerLookup final : public NameFilteredLines<CustomerLine, &CustomerLine::id_cliente> {
  public:
    static constexpr const char* kTitle = "Clientes";
    static constexpr const char* kIniFile = "kontora.ini";

    CustomerLookup() : NameFilteredLines("Clientes", kIniFile, "clientes") {}

  private:
    std::string statement(const std::string& filter) const override;
    void take_row(const db::PgResult& r, int row) override;
};

}  // namespace balcora::forms
