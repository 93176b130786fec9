#pragma once

#include "ecf/closing_hour.h"

#include <array>
#include <string>

// "Horário de Fechamento" (HORARIOFECHAMENTO): the shop's closing time of
// each weekday, before which the day cannot be closed.
namespace balcora::ecf {

class ClosingHoursScreen {
  public:
    static constexpr const char* kTitle = "Horário de Fechamento";
    // The weekday of the field (0 Sunday .. 6 Saturday).
    using Field = int;
    static constexpr std::array<const char*, 7> kLabels = {
        "Domingo:", "Segunda:", "Terça:", "Quarta:", "Quinta:", "Sexta:", "Sábado:"};

    // The stored times, "hh:mm" or blank.
    ClosingHoursScreen();

    std::array<std::string, 7> times;

    // Every time blank (the default rule) or a time of day, else the focus
    // goes to the first wrong one; then they are stored and the window closes.
    void ok();
    void cancel() { open_ = false; }
    bool is_open() const { return open_; }
    Field focus() const { return focus_; }
    bool saved() const { return saved_; }

  private:
    bool open_ = true;
    bool saved_ = false;
    Field focus_ = 0;
};

}  // namespace balcora::ecf

namespace balcora {
void HORARIOFECHAMENTO();
}  // namespace balcora
