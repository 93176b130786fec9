#pragma once

#include "fiscal/period_window.h"

namespace balcora::fiscal {

// "Leitura da Memória Fiscal - LMF": the fiscal memory reading of a period of
// dates or reductions, complete or simplified, printed or written as the
// mirror file lmfc.txt / lmfs.txt of the PAF-ECF folder.
class LmfWindow : public PeriodWindow {
  public:
    static constexpr const char* kCaption = "Leitura da Memória Fiscal - LMF";
    static constexpr int kReductionDigits = 4;

    LmfWindow() : PeriodWindow(kReductionDigits) {}

    bool complete = true;  // "Completa"; false "Simplificada"
    bool to_file = false;  // "Arquivo Espelho"; false "Impressão"

    // "&Gerar" (also the key S). True when the printer did it.
    bool generate();
};

}  // namespace balcora::fiscal
