#pragma once

#include <string>
#include <string_view>

namespace balcora::ui {

enum class Icon { kNone, kInformation, kWarning, kError, kQuestion };

// Every message box, question and beep of the program goes through this port,
// so the GUI shows real dialogs, the command line prints, and tests answer
// from a script and assert on what was shown. A "|" in a text is a line break.
class PromptPort {
  public:
    virtual ~PromptPort() = default;

    virtual void message(std::string_view title, std::string_view text, Icon icon) = 0;
    // Yes/No question; true for Yes.
    virtual bool confirm(std::string_view title, std::string_view text) = 0;
    virtual void beep() = 0;
    // Wait cursor or busy indicator around work the operator waits for.
    virtual void busy(bool on) { (void)on; }
};

// Writes messages to standard error; questions take the default answer given
// at construction (the command line runs unattended).
class ConsolePromptPort final : public PromptPort {
  public:
    explicit ConsolePromptPort(bool answer = false) : answer_(answer) {}
    void message(std::string_view title, std::string_view text, Icon icon) override;
    bool confirm(std::string_view title, std::string_view text) override;
    void beep() override {}

  private:
    bool answer_;
};

// "a|b" -> "a\nb".
std::string expand_line_breaks(std::string_view text);

}  // namespace balcora::ui
