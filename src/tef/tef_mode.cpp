#include "tef/tef_mode.h"

#include "ecf/printer.h"
#include "globals/globals.h"

namespace balcora {

bool ATIVAMODOTEF() {
    if (!glo::modotef_ativo && ecf::send(ecf::CMD_TEF_MODE_ON)) glo::modotef_ativo = 1;
    return glo::modotef_ativo != 0;
}

bool DESATIVAMODOTEF() {
    if (glo::modotef_ativo && ecf::send(ecf::CMD_TEF_MODE_OFF)) glo::modotef_ativo = 0;
    return glo::modotef_ativo == 0;
}

}  // namespace balcora
