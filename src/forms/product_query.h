#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::forms {

// The search keys of the product query, one tab each, in tab order.
enum class ProductKey { kName = 1, kBarcode = 2, kCode = 3, kReference = 4 };

// One line of the list, every column as shown.
struct ProductLine {
    std::int32_t id_produto = 0;
    std::string codigo;
    std::string codigo_barras;
    std::string refer;
    std::string codigo_shown;  // "Código": codigo under the code key, else the bar code
    std::string cest;          // ##.###.##
    std::string ncm;           // ####.##.##
    std::string descricao;
    std::string unidade;
    std::string preco;  // of the chosen price table, 2 decimals with comma
    std::string st;
    std::string aliquota;
    std::string iat;
    std::string ippt;
    std::string estoque;  // 2 decimals, with sign
};

// What "&Selecionar" hands back to the sale screens.
struct ProductChoice {
    std::int32_t id_produto = 0;
    std::string codigo;
    std::string codigo_barras;
    std::string descricao;
};

// "Produtos": the active products under one of four search keys, each with
// its own filter and order, priced from one of three price tables. Names and
// references are listed in their order with case and accents set aside, codes
// as they are written. The key, the price table and the name filter are
// remembered in ConsultaPAFECF.ini.
class ProductQueryScreen {
  public:
    static constexpr const char* kTitle = "Produtos";
    static constexpr const char* kIniFile = "ConsultaPAFECF.ini";

    // Reads what was remembered and loads the list. A description (the coupon
    // form's description field) opens the name key filtered by it instead.
    // False when the list could not be read (the error was shown).
    bool open(std::optional<std::string> description = std::nullopt);
    // Remembers the key, the price table and the name filter.
    void close();

    ProductKey key() const { return key_; }
    bool set_key(ProductKey key);
    int price_table() const { return price_table_; }
    bool set_price_table(int table);  // 1, 2 or 3
    // The filter of a key and the longest text it takes.
    const std::string& filter(ProductKey key) const;
    static std::size_t filter_limit(ProductKey key);
    // Sets the current key's filter (cut to its limit) and refreshes the list.
    bool set_filter(std::string_view text);
    // Reads the list again with the current key, filter and price table.
    bool refresh();

    const std::vector<ProductLine>& lines() const { return lines_; }
    // More rows matched than the list holds; note() says so.
    bool truncated() const { return truncated_; }
    std::string note() const;
    // Changes whenever the lines are read again, so a view knows to redraw.
    unsigned generation() const { return generation_; }

    // Incremental search: the first line, in the key's order, whose key
    // begins with the text (blind to case and accents). When that row lies
    // beyond the lines loaded the list is read again from it. nullopt when no
    // row begins with the text (the list stays as it was).
    std::optional<std::size_t> locate(std::string_view typed);

    std::optional<ProductChoice> choose(std::size_t index) const;

  private:
    std::string condition() const;
    std::string code_condition(const std::string& code) const;
    std::string sort_column() const;
    std::string sort_expression() const;
    bool load(const std::string& extra_condition);

    ProductKey key_ = ProductKey::kBarcode;
    int price_table_ = 1;
    std::array<std::string, 4> filters_;
    std::vector<ProductLine> lines_;
    bool truncated_ = false;
    bool repositioned_ = false;
    unsigned generation_ = 0;
};

// "28.038.00" for CEST 2803800; blank for none.
std::string cest_text(std::string_view cest);
// "0901.21.00" for NCM 9012100; blank for none.
std::string ncm_text(std::string_view ncm);

}  // namespace balcora::forms
