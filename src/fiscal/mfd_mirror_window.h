#pragma once

#include "fiscal/period_window.h"

namespace balcora::fiscal {

// "Gera Arquivo Espelhos da MFD": the tape memory's mirror of a period of
// dates or COOs, written as espelhomfd.txt of the PAF-ECF folder.
class MfdMirrorWindow : public PeriodWindow {
  public:
    static constexpr const char* kCaption = "Gera Arquivo Espelhos da MFD";
    static constexpr int kCooDigits = 6;

    MfdMirrorWindow() : PeriodWindow(kCooDigits) {}

    // "&Gerar". True when the printer wrote the file.
    bool generate();
};

}  // namespace balcora::fiscal
