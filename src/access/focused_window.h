#pragma once

#include "ui/environment.h"

#include <string_view>

namespace balcora::access {

// What the sign-in and password windows share: whether the window is open and
// which of its fields has the focus (the first one to begin with).
template <class Field>
class FocusedWindow {
  public:
    // Esc or "&Cancelar".
    void cancel() { open_ = false; }
    bool is_open() const { return open_; }
    Field focus() const { return focus_; }

  protected:
    explicit FocusedWindow(bool open = true) : open_(open) {}
    ~FocusedWindow() = default;

    // Shows why the entry was refused and sends the focus to the field to
    // mend; always false.
    bool refuse(std::string_view text, Field field) {
        prompt().message("Aviso", text, ui::Icon::kWarning);
        focus_ = field;
        return false;
    }

    bool open_;
    Field focus_{};
};

}  // namespace balcora::access
