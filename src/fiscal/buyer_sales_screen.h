#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace balcora::fiscal {

// A month of the "Competência:" field.
struct Competence {
    int year = 0;
    int month = 0;
};

// "mm/yyyy" (also "m/yyyy" and "mmyyyy", blanks around ignored); nothing for
// an empty or impossible month.
std::optional<Competence> parse_competence(std::string_view text);

enum class BuyerSalesField { kCompetencia, kCpfCnpj };

// "Vendas Identificadas pelo CPF/CNPJ": the month and, optionally, one buyer
// whose identified sales are written to the signed file. The window stays
// open after a file, so another month or buyer can follow.
class BuyerSalesScreen {
  public:
    using Field = BuyerSalesField;
    static constexpr const char* kCaption = "Vendas Identificadas pelo CPF/CNPJ";
    static constexpr int kCpfCnpjWidth = 20;

    // Opens on the month before today's, the one a shop usually reports.
    BuyerSalesScreen();

    // Leaving "CPF/CNPJ:" shows its digits with the CPF or CNPJ mask.
    void leave_cpf_cnpj();
    // "&Gerar": true when the file was written and signed. A month that is
    // empty or impossible is refused with the focus on it.
    bool generate();
    // "&Fechar" or Esc.
    void close() { open_ = false; }

    bool is_open() const { return open_; }
    Field focus() const { return focus_; }
    // The file of the last "&Gerar", also when it failed.
    const std::string& last_file() const { return last_file_; }

    std::string competencia;  // mm/yyyy
    std::string cpf_cnpj;

  private:
    bool refuse(std::string_view text, Field field);

    bool open_ = true;
    Field focus_ = Field::kCompetencia;
    std::string last_file_;
};

}  // namespace balcora::fiscal

namespace balcora {

// Shows the window through the screen port; false when this build has none.
bool VENDASCPFCNPJ();

}  // namespace balcora
