#pragma once

#include <string>

// "Sangria / Suprimento do Caixa" (TELA_SA_SU): cash taken out of the drawer
// or put into it, with its receipt on the printer.
namespace balcora::ecf {

class CashMovementScreen {
  public:
    static constexpr const char* kTitle = "Sangria / Suprimento do Caixa";
    enum class Field { kKind, kAmount };

    // "Tipo:" "SA" (Sangria) or "SU" (Suprimento).
    std::string kind = "SA";
    // "Valor:" as typed.
    std::string amount = "0,00";

    // F10, S or the button: an amount below 0,01 takes the focus back;
    // otherwise the receipt is printed and the drawer opened, and the window
    // closes. A refusal of the printer keeps it open on the amount.
    void ok();
    // N or Esc.
    void cancel() { open_ = false; }

    bool is_open() const { return open_; }
    Field focus() const { return focus_; }
    bool done() const { return done_; }

  private:
    bool open_ = true;
    bool done_ = false;
    Field focus_ = Field::kAmount;
};

}  // namespace balcora::ecf

namespace balcora {
// The withdrawal/supply window; true when a movement was registered.
bool TELA_SA_SU();
}  // namespace balcora
