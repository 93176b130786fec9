#include "util/extenso.h"

#include <cstdint>
#include <vector>

namespace balcora {

namespace {

constexpr const char* kUnits[] = {"",       "um",        "dois",      "três",    "quatro",
                                  "cinco",  "seis",      "sete",      "oito",    "nove",
                                  "dez",    "onze",      "doze",      "treze",   "quatorze",
                                  "quinze", "dezesseis", "dezessete", "dezoito", "dezenove"};
constexpr const char* kTens[] = {"",          "",         "vinte",   "trinta",  "quarenta",
                                 "cinquenta", "sessenta", "setenta", "oitenta", "noventa"};
constexpr const char* kHundreds[] = {
    "",           "cento",      "duzentos",   "trezentos",  "quatrocentos",
    "quinhentos", "seiscentos", "setecentos", "oitocentos", "novecentos"};

struct Scale {
    const char* one;
    const char* many;
};
// Index = power of a thousand. Int64 cents reach the quadrillions.
constexpr Scale kScales[] = {{"", ""},
                             {"mil", "mil"},
                             {"milhão", "milhões"},
                             {"bilhão", "bilhões"},
                             {"trilhão", "trilhões"},
                             {"quatrilhão", "quatrilhões"}};

// 1..999
std::string below_thousand(unsigned n) {
    if (n == 100) return "cem";
    std::string out = kHundreds[n / 100];
    const unsigned rest = n % 100;
    if (rest == 0) return out;
    if (!out.empty()) out += " e ";
    if (rest < 20) return out + kUnits[rest];
    out += kTens[rest / 10];
    if (rest % 10) out += std::string(" e ") + kUnits[rest % 10];
    return out;
}

std::string group_words(unsigned value, int scale) {
    if (scale == 1 && value == 1) return "mil";  // never "um mil"
    std::string out = below_thousand(value);
    if (scale > 0)
        out += std::string(" ") + (value == 1 ? kScales[scale].one : kScales[scale].many);
    return out;
}

// 1 and up.
std::string whole_words(std::uint64_t n) {
    std::vector<unsigned> groups;  // lowest first
    for (; n > 0; n /= 1000) groups.push_back(static_cast<unsigned>(n % 1000));

    int last = 0;  // lowest non-zero group
    while (groups[last] == 0) ++last;

    std::string out;
    for (int scale = static_cast<int>(groups.size()) - 1; scale >= last; --scale) {
        const unsigned value = groups[scale];
        if (value == 0) continue;
        if (!out.empty()) {
            const bool round = value < 100 || value % 100 == 0;
            out += scale == last && round ? " e " : " ";
        }
        out += group_words(value, scale);
    }
    return out;
}

}  // namespace

std::string EXTENSO(util::Money amount) {
    const std::int64_t units = amount.units();
    // Unsigned negation keeps the most negative amount exact.
    const std::uint64_t magnitude =
        units < 0 ? 0 - static_cast<std::uint64_t>(units) : static_cast<std::uint64_t>(units);
    const std::uint64_t reais = magnitude / 100;
    const unsigned centavos = static_cast<unsigned>(magnitude % 100);

    std::string out = units < 0 ? "menos " : "";
    if (reais == 0 && centavos == 0) return "zero reais";
    if (reais > 0) {
        out += whole_words(reais);
        // "um milhão de reais", but "um milhão e quinhentos mil reais".
        if (reais >= 1000000 && reais % 1000000 == 0) out += " de";
        out += reais == 1 ? " real" : " reais";
    }
    if (centavos > 0) {
        if (reais > 0) out += " e ";
        out += below_thousand(centavos);
        out += centavos == 1 ? " centavo" : " centavos";
    }
    return out;
}

}  // namespace balcora
