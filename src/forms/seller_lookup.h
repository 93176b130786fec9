#pragma once

#include "forms/name_filtered_list.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace balcora::forms {

struct SellerLine {
    std::int32_t id_vendedor = 0;
    std::string nome;
    std::string taxa_com;   // commission rate, 2 decimals with comma
    std::string forma_pag;  // how the commission is paid: F, R or M
};

// "Vendedores": the active sellers whose name matches the filter (remembered
// in ConsultaPAFECF.ini), for the coupon form to pick one.
class SellerLookup final : public NameFilteredLines<SellerLine, &SellerLine::id_vendedor> {
  public:
    static constexpr const char* kTitle = "Vendedores";
    static constexpr const char* kIniFile = "ConsultaPAFECF.ini";

    SellerLookup() : NameFilteredLines("Vendedor", kIniFile, "vendedores") {}

  private:
    std::string statement(const std::string& filter) const override;
    void take_row(const db::PgResult& r, int row) override;
};

}  // namespace balcora::forms
