#pragma once

#include "util/fixed_point.h"

#include <string>

namespace balcora {

// An amount in words, in lower case with accents (UTF-8), as written on a
// cheque or promissory note: "cento e vinte e três reais e quarenta e cinco
// centavos", "mil e duzentos reais", "dois mil trezentos e quarenta e cinco
// reais", "um milhão de reais", "cinquenta centavos", "zero reais".
// Groups of thousands follow each other without a comma; "e" joins the last
// group when it is below one hundred or a round hundred. A negative amount
// starts with "menos".
std::string EXTENSO(util::Money amount);

}  // namespace balcora
