#pragma once

#include "util/fixed_point.h"

#include <string>

// "Abrir Caixa": the opening of the cash day with its opening supply and X
// reading on the printer.
namespace balcora::ecf {

class DayOpeningScreen {
  public:
    static constexpr const char* kTitle = "Abrir Caixa";
    enum class Field { kAmount };

    // "Suprimento Inicial:" as typed (a comma or a point for the decimals).
    std::string amount = "0,00";

    // The button, F10 or S: an amount below 0,01 takes the focus back;
    // otherwise, after "Confirma Abertura do Dia?", the day is opened. The
    // window closes once the printer opened the day; a refusal keeps it open
    // (the printer told why).
    void ok();
    // N or Esc.
    void cancel() { open_ = false; }

    bool is_open() const { return open_; }
    Field focus() const { return Field::kAmount; }
    bool day_opened() const { return opened_; }

  private:
    bool open_ = true;
    bool opened_ = false;
};

// The day opening after the confirmation: summer-time exit, payment methods,
// counters, CMD_OPEN_DAY with the amount, the drawer, the "abridia" log row
// and the day's reg60m row. True when the printer opened the day.
bool open_cash_day(util::Money amount);

// The refusals of a day already opened or already closed today, then the
// window; true when the day was opened.
bool run_day_opening();

}  // namespace balcora::ecf
