#pragma once

#include <string>

// "Recupera Reg60M e Reg60A": the printer writes the reg60m/reg60a rows of
// every Z reduction of a period again.
namespace balcora::ecf {

class Reg60mRecoveryScreen {
  public:
    static constexpr const char* kTitle = "Recupera Reg60M e Reg60A";
    enum class Field { kStart, kEnd };

    // "Período:" dd/mm/yyyy.
    std::string start;
    std::string end;

    // "&Gerar": a start date and an end not before it (else the focus goes
    // to the field to mend), then CMD_RECOVER_REG60M; the window closes when
    // the printer did it.
    void ok();
    void cancel() { open_ = false; }

    bool is_open() const { return open_; }
    Field focus() const { return focus_; }

  private:
    bool open_ = true;
    Field focus_ = Field::kStart;
};

}  // namespace balcora::ecf
