#include "tef/tef_mode.h"

#include "ecf/fiscal_printer.h"
#include "globals/globals.h"

namespace balcora {

bool ATIVAMODOTEF() {
    if (!glo::modotef_ativo && ecf::printer().tef_mode_on()) glo::modotef_ativo = 1;
    return glo::modotef_ativo != 0;
}

bool DESATIVAMODOTEF() {
    if (glo::modotef_ativo && ecf::printer().tef_mode_off()) glo::modotef_ativo = 0;
    return glo::modotef_ativo == 0;
}

}  // namespace balcora
