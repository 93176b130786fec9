#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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
class SellerLookup {
  public:
    static constexpr const char* kTitle = "Vendedores";
    static constexpr const char* kIniFile = "ConsultaPAFECF.ini";
    static constexpr std::size_t kFilterLimit = 40;

    // Reads the remembered filter and loads the list; false when the list
    // could not be read (the error was shown).
    bool open();
    void close();  // remembers the filter

    const std::string& filter() const { return filter_; }
    bool set_filter(std::string_view text);

    const std::vector<SellerLine>& lines() const { return lines_; }
    bool truncated() const { return truncated_; }
    std::string note() const;

    // The key of the chosen seller.
    std::optional<std::int32_t> choose(std::size_t index) const;

  private:
    bool refresh();

    std::string filter_;
    std::vector<SellerLine> lines_;
    bool truncated_ = false;
};

}  // namespace balcora::forms
