#pragma once

namespace balcora {

// The printer's TEF mode, recorded in glo::modotef_ativo. Each sends its
// command only when the mode is not already as asked and records the new mode
// when the printer took it, so a TEF flow calls them freely around every
// dialogue. True when the mode is as asked afterwards.
bool ATIVAMODOTEF();
bool DESATIVAMODOTEF();

}  // namespace balcora
