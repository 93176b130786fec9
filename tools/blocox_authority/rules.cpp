#include "rules.h"

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <cstdlib>

namespace blocox {

Rules read_rules(const std::filesystem::path& file) {
    Rules rules;
    std::error_code ec;
    if (file.empty() || !std::filesystem::is_regular_file(file, ec)) return rules;
    CSimpleIniA ini;
    ini.SetUnicode(true);
    if (ini.LoadFile(file.c_str()) < 0) return rules;
    const std::string mode = ini.GetValue("Autoridade", "Modo", "aceitar");
    if (mode == "recusar") rules.mode = Rules::Mode::kRefuse;
    if (mode == "lixo") rules.mode = Rules::Mode::kGarbage;
    if (mode == "resposta-lixo") rules.mode = Rules::Mode::kGarbageAnswer;
    if (mode == "calar") rules.mode = Rules::Mode::kSilent;
    const char* delay = ini.GetValue("Autoridade", "AtrasoProcessamento", nullptr);
    if (delay && *delay) {
        char* end = nullptr;
        long v = std::strtol(delay, &end, 10);
        if (*end == '\0' && v >= 0 && v <= 86400 * 30)
            rules.processing_seconds = static_cast<int>(v);
    }
    const char* refusal = ini.GetValue("Autoridade", "MensagemRecusa", nullptr);
    if (refusal && *refusal) rules.refusal = refusal;
    return rules;
}

}  // namespace blocox
