#pragma once

#include "forms/name_filtered_list.h"

#include <cstdint>
#include <string>

namespace balcora::forms {

struct SellerBrowseLine {
    std::int32_t id_vendedor = 0;
    std::string nome;
    std::string cpf_cnpj;
    std::string fone;
    std::string celular;
    std::string email;
    std::string municipio;  // name and state
    std::string taxa_com;   // commission rate, 2 decimals with comma
    std::string forma_pag;  // how the commission is paid: F, R or M
    bool ativo = false;
};

// "Vendedores" of the main menu: every seller, inactive ones too, whose name
// matches the filter the seller lookup also remembers (ConsultaPAFECF.ini).
// Sellers come from the back office's update, so the list only shows them.
class SellerBrowse final
    : public NameFilteredLines<SellerBrowseLine, &SellerBrowseLine::id_vendedor> {
  public:
    static constexpr const char* kTitle = "Vendedores";
    static constexpr const char* kIniFile = "ConsultaPAFECF.ini";

    SellerBrowse() : NameFilteredLines("Vendedor", kIniFile, "vendedores") {}

  private:
    std::string statement(const std::string& filter) const override;
    void take_row(const db::PgResult& r, int row) override;
};

}  // namespace balcora::forms
