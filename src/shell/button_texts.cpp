#include "shell/button_texts.h"

#include <iterator>

namespace balcora::shell {

namespace {

ButtonTexts& texts() {
    static ButtonTexts t{"&Ok",      "&Sim",     "&Não",      "&Abortar",
                         "&Repetir", "&Ignorar", "&Cancelar", "&Ajuda"};
    return t;
}

}  // namespace

void set_standard_button_texts(std::string_view list) {
    ButtonTexts& t = texts();
    std::string* slots[] = {&t.ok,    &t.yes,    &t.no,     &t.abort,
                            &t.retry, &t.ignore, &t.cancel, &t.help};
    std::size_t index = 0, start = 0;
    while (index < std::size(slots)) {
        std::size_t comma = list.find(',', start);
        std::string_view text = list.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (!text.empty()) *slots[index] = std::string(text);
        ++index;
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
}

const ButtonTexts& standard_button_texts() {
    return texts();
}

}  // namespace balcora::shell
