#pragma once

#include "ui/prompt_port.h"

namespace balcora::gui {

// Message boxes, questions, beeps and the wait cursor of the GUI. Captions and
// texts come as the program gives them; "|" becomes a line break.
class QtPromptPort final : public ui::PromptPort {
  public:
    void message(std::string_view title, std::string_view text, ui::Icon icon) override;
    bool confirm(std::string_view title, std::string_view text) override;
    void beep() override;
    void busy(bool on) override;
};

}  // namespace balcora::gui
