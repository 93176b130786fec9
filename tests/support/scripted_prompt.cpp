#include "support/scripted_prompt.h"

namespace balcora::test {

void ScriptedPrompt::message(std::string_view title, std::string_view text, ui::Icon icon) {
    shown_.push_back({"message", std::string(title), std::string(text), icon});
}

bool ScriptedPrompt::confirm(std::string_view title, std::string_view text) {
    shown_.push_back({"confirm", std::string(title), std::string(text), ui::Icon::kQuestion});
    if (answers_.empty()) return false;
    bool a = answers_.front();
    answers_.pop_front();
    return a;
}

void ScriptedPrompt::beep() {
    shown_.push_back({"beep", {}, {}, ui::Icon::kNone});
}

int ScriptedPrompt::count_containing(std::string_view fragment) const {
    int n = 0;
    for (const auto& s : shown_)
        if (s.text.find(fragment) != std::string::npos ||
            s.title.find(fragment) != std::string::npos)
            ++n;
    return n;
}

}  // namespace balcora::test
