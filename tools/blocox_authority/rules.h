#pragma once

#include <filesystem>
#include <string>

namespace blocox {

// How the test authority behaves, from section "Autoridade" of its rules
// file, read again before every request so that a test or the demo can change
// it while the authority runs.
struct Rules {
    enum class Mode {
        kAccept,         // "aceitar": checks every file and answers as the authority
        kRefuse,         // "recusar": refuses every file with MensagemRecusa
        kGarbage,        // "lixo": answers HTTP with a body that is no SOAP
        kGarbageAnswer,  // "resposta-lixo": a sound SOAP answer whose result is not XML
        kSilent,         // "calar": reads the request and never answers
    };
    Mode mode = Mode::kAccept;
    int processing_seconds = 5;  // "AtrasoProcessamento": received -> processed
    std::string refusal = "Erro 1999 - Arquivo recusado pela autoridade.";  // "MensagemRecusa"
};

// The defaults when there is no file, or for keys it lacks.
Rules read_rules(const std::filesystem::path& file);

}  // namespace blocox
