#pragma once

#include <string>
#include <string_view>

namespace balcora::shell {

inline constexpr std::string_view kStandardButtonTexts =
    "&Ok,&Sim,&Não,&Abortar,&Repetir,&Ignorar,&Cancelar,&Ajuda";

// The texts of the standard buttons of every message box and question, with
// their mnemonics.
struct ButtonTexts {
    std::string ok, yes, no, abort, retry, ignore, cancel, help;
};

// A comma-separated list in the order of ButtonTexts; an entry left empty
// or missing keeps its current text.
void set_standard_button_texts(std::string_view list);
const ButtonTexts& standard_button_texts();

}  // namespace balcora::shell
