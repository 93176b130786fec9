#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace balcora::shell {

// The screens this build can open, by the procedure name the menu and the
// start-up use ("CONFIGURACAO", "QUICKBALCORA", ...). The GUI registers each
// window it has; a name without a window stays unavailable, and whatever
// would open it is disabled or says so.
using ScreenOpener = std::function<void()>;

void register_screen(std::string name, ScreenOpener opener);
void unregister_screen(std::string_view name);
bool screen_available(std::string_view name);
// Opens the screen (modal ones return when it closes); false when this
// build has none of that name.
bool open_screen(std::string_view name);

// Puts the registry back as it was when it goes out of scope (tests).
class ScopedScreenRegistry {
  public:
    ScopedScreenRegistry();
    ~ScopedScreenRegistry();
    ScopedScreenRegistry(const ScopedScreenRegistry&) = delete;
    ScopedScreenRegistry& operator=(const ScopedScreenRegistry&) = delete;

  private:
    struct Saved;
    std::unique_ptr<Saved> saved_;
};

}  // namespace balcora::shell
