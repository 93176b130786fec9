#pragma once

#include "ui/prompt_port.h"

#include <deque>
#include <string>
#include <vector>

namespace balcora::test {

// Records every message and question, and answers questions from a script
// (No when the script runs out), so tests assert on what the operator saw.
class ScriptedPrompt final : public ui::PromptPort {
  public:
    struct Shown {
        std::string kind;  // "message", "confirm" or "beep"
        std::string title;
        std::string text;
        ui::Icon icon = ui::Icon::kNone;
    };

    void answer(bool yes) { answers_.push_back(yes); }

    void message(std::string_view title, std::string_view text, ui::Icon icon) override;
    bool confirm(std::string_view title, std::string_view text) override;
    void beep() override;

    const std::vector<Shown>& shown() const { return shown_; }
    // Number of messages or questions whose text contains the fragment.
    int count_containing(std::string_view fragment) const;
    void clear() { shown_.clear(); }

  private:
    std::vector<Shown> shown_;
    std::deque<bool> answers_;
};

}  // namespace balcora::test
