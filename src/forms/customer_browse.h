#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::forms {

// One line of the customer list, as shown.
struct CustomerBrowseLine {
    std::int32_t id_cliente = 0;
    std::string razao;
    std::string nome;  // trade name
    std::string cgcpf;
    std::string municipio;  // name and state
    std::string telef;
    bool ativo = false;
};

// The filters of the list. The first three are remembered in kontora.ini
// between openings; a document number is looked up once, never remembered.
enum class CustomerFilter { kRazao, kFantasia, kCidade, kDocumento };

// "Clientes" of the main menu: every customer, inactive ones too, narrowed by
// corporate name, trade name, municipality code and CNPJ/CPF as the operator
// types, to add one or open one in the customer form.
class CustomerBrowse {
  public:
    static constexpr const char* kTitle = "Clientes";
    static constexpr std::size_t kFilterLimit = 40;

    // Reads the remembered filters and loads the list; false when the list
    // could not be read (the error was shown).
    bool open();
    void close();  // remembers the filters

    const std::string& filter(CustomerFilter which) const;
    bool set_filter(CustomerFilter which, std::string_view text);
    bool reload();

    const std::vector<CustomerBrowseLine>& lines() const { return lines_; }
    std::optional<std::size_t> index_of(std::int32_t id_cliente) const;
    // About the rows left out when the filters find more than a list holds.
    std::string note() const;

  private:
    std::string statement() const;

    std::array<std::string, 4> filters_;
    std::vector<CustomerBrowseLine> lines_;
    bool truncated_ = false;
};

}  // namespace balcora::forms
