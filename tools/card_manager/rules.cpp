#include "rules.h"

// Texts are UTF-8 end to end; no wide-character conversion is wanted.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <sstream>

namespace gerenciador {

namespace {

int number(const CSimpleIniA& ini, const char* key, int fallback, int low, int high) {
    std::string text = ini.GetValue("Gerenciador", key, "");
    int value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size()) return fallback;
    return std::clamp(value, low, high);
}

// A list of request kinds separated by commas, in any case.
std::set<std::string> kinds(const CSimpleIniA& ini, const char* key) {
    std::set<std::string> list;
    std::istringstream words(ini.GetValue("Gerenciador", key, ""));
    for (std::string kind; std::getline(words, kind, ',');) {
        kind.erase(std::remove_if(kind.begin(), kind.end(),
                                  [](unsigned char c) { return std::isspace(c); }),
                   kind.end());
        std::transform(kind.begin(), kind.end(), kind.begin(),
                       [](unsigned char c) { return std::toupper(c); });
        if (!kind.empty()) list.insert(kind);
    }
    return list;
}

}  // namespace

Rules read_rules(const std::filesystem::path& file) {
    Rules rules;
    if (file.empty()) return rules;
    CSimpleIniA ini;
    ini.SetUnicode(true);
    if (ini.LoadFile(file.string().c_str()) < 0) return rules;
    rules.decline_cents = number(ini, "recusar_centavos", -1, -1, 99);
    rules.status_delay_ms = number(ini, "atraso_status_ms", 0, 0, 600000);
    rules.response_delay_ms = number(ini, "atraso_resposta_ms", 0, 0, 600000);
    // Present but empty: declined without a message for the operator.
    if (const char* m = ini.GetValue("Gerenciador", "mensagem_recusa", nullptr))
        rules.decline_message = m;
    if (const char* n = ini.GetValue("Gerenciador", "rede", nullptr); n && *n) rules.network = n;
    rules.never_answered = kinds(ini, "nunca_responder");
    rules.status_only = kinds(ini, "somente_status");
    std::string adm = ini.GetValue("Gerenciador", "adm_opcao", "");
    std::transform(adm.begin(), adm.end(), adm.begin(),
                   [](unsigned char c) { return std::tolower(c); });
    if (adm == "cancelada" || adm == "vazia") rules.adm_choice = adm;
    return rules;
}

}  // namespace gerenciador
