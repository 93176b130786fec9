#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace balcora::forms {

// One line of the printer list, as shown.
struct MaqecfLine {
    std::int32_t id_maqecf = 0;
    std::string marca;
    std::string modelo;
    std::string porta;
    std::string modelo_scanner;
    std::string porta_scanner;
    std::string num_serie;
};

// " Máquina ECF": the store's printers, opening the form to add, change or
// consult one, and deleting one that has issued nothing.
class MaqecfBrowse {
  public:
    static constexpr const char* kTitle = " Máquina ECF";

    // Reads the list again; false when the query failed (shown).
    bool reload();
    const std::vector<MaqecfLine>& lines() const { return lines_; }
    std::optional<std::size_t> index_of(std::int32_t id_maqecf) const;

    // "E&xcluir": asks first; a printer with fiscal records is kept (the
    // registers of its coupons and reductions refer to it). True when deleted.
    bool remove(std::size_t index);

  private:
    std::vector<MaqecfLine> lines_;
};

}  // namespace balcora::forms
