#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
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
class CustomerLookup {
  public:
    static constexpr const char* kTitle = "Clientes";
    static constexpr const char* kIniFile = "kontora.ini";
    static constexpr std::size_t kFilterLimit = 40;

    // Reads the remembered filter and loads the list; false when the list
    // could not be read (the error was shown).
    bool open();
    void close();  // remembers the filter

    const std::string& filter() const { return filter_; }
    bool set_filter(std::string_view text);

    const std::vector<CustomerLine>& lines() const { return lines_; }
    bool truncated() const { return truncated_; }
    std::string note() const;

    // The key of the chosen customer.
    std::optional<std::int32_t> choose(std::size_t index) const;

  private:
    bool refresh();

    std::string filter_;
    std::vector<CustomerLine> lines_;
    bool truncated_ = false;
};

}  // namespace balcora::forms
