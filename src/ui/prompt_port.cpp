#include "ui/prompt_port.h"

#include <cstdio>

namespace balcora::ui {

std::string expand_line_breaks(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c == '|') c = '\n';
    return out;
}

void ConsolePromptPort::message(std::string_view title, std::string_view text, Icon) {
    std::string t(title), m = expand_line_breaks(text);
    std::fprintf(stderr, "%s: %s\n", t.c_str(), m.c_str());
}

bool ConsolePromptPort::confirm(std::string_view title, std::string_view text) {
    std::string t(title), m = expand_line_breaks(text);
    std::fprintf(stderr, "%s: %s [%s]\n", t.c_str(), m.c_str(), answer_ ? "Sim" : "Não");
    return answer_;
}

}  // namespace balcora::ui
