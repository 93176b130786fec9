#pragma once

#include "ui/environment.h"
#include "util/text.h"

#include <string>
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

    // A sign-in: a blank login, then an empty password, takes the focus back;
    // true when one did.
    bool focus_blank_sign_in(const std::string& login, const std::string& password,
                             Field login_field, Field password_field) {
        if (util::trim(login).empty())
            focus_ = login_field;
        else if (password.empty())
            focus_ = password_field;
        else
            return false;
        return true;
    }

    bool open_;
    Field focus_{};
};

}  // namespace balcora::access
