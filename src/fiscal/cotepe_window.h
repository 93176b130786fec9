#pragma once

#include "fiscal/period_window.h"

#include <string>

namespace balcora::fiscal {

// "Arquivo MF - Ato COTEPE 17/04": the printer writes the file of a period of
// dates or reductions into the PAF-ECF folder; the window renames it to the
// regulation's name and signs it.
class CotepeWindow : public PeriodWindow {
  public:
    static constexpr const char* kCaption = "Arquivo MF - Ato COTEPE 17/04";
    static constexpr int kReductionDigits = 4;
    static constexpr int kTypes = 5;

    CotepeWindow() : PeriodWindow(kReductionDigits) {}

    // 0 MF, 1 MFD, 2 TDM, 3 RZ, 4 RFD.
    int type = 0;

    // "&Gerar". True when the file was written, renamed and signed.
    bool generate();

    // The name of the signed file, once generated.
    const std::string& file() const { return file_; }

  private:
    std::string file_;
};

// "MF", "MFD", "TDM", "RZ", "RFD"; any other type counts as "MF".
const char* cotepe_type_name(int type);
// "0-MF" ... "4-RFD", the choices of the window.
std::string cotepe_type_caption(int type);

}  // namespace balcora::fiscal
