#pragma once

#include <string_view>

namespace balcora {

// Opens the process connection at start-up: asks for the settings when they
// are blank, builds glo::string_conexao, connects, applies the schema scripts
// and the session settings. False after "ERRO CONEXÃO BANCO DE DADOS - ..."
// was shown: the caller stops the program, nothing else may run.
bool INICIABD(std::string_view server = {});

}  // namespace balcora
