#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// "Menu de Opções" of the Quick Sale (F8 or T): the day and coupon functions
// that have no key of their own on a small keyboard. It answers with the
// option's two-letter code, or an empty code when the operator left.
namespace balcora::sale {

struct MenuOption {
    std::string code;   // "AC", "FC", ...
    std::string label;  // as the operator reads it
    char key;           // the digit that chooses it
};

class OptionsMenu {
  public:
    static constexpr const char* kTitle = "Menu de Opções";

    static const std::vector<MenuOption>& options();

    // A digit typed in the menu chooses its option and closes it; other keys
    // do nothing. True when it chose.
    bool press(char key);
    void choose(std::size_t index);
    void cancel() { open_ = false; }

    bool is_open() const { return open_; }
    const std::string& code() const { return code_; }

  private:
    bool open_ = true;
    std::string code_;
};

}  // namespace balcora::sale

namespace balcora {

// The code chosen in "Menu de Opções"; empty when none (or no window).
std::string MENUOPCOES();

}  // namespace balcora
