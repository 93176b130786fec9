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
class CustomerLookup final : public NameFilteredList {
  public:
    static constexpr const char* kTitle = "Clientes";
    static constexpr const char* kIniFile = "kontora.ini";

    CustomerLookup() : NameFilteredList("Clientes", kIniFile, "clientes") {}

    const std::vector<CustomerLine>& lines() const { return lines_; }
    // The key of the chosen customer.
    std::optional<std::int32_t> choose(std::size_t index) const;

  private:
    std::string statement(const std::string& filter) const override;
    void clear_rows() override { lines_.clear(); }
    void take_row(const db::PgResult& r, int row) override;

    std::vector<CustomerLine> lines_;
};

}  // namespace balcora::forms
