#include "shell/screen_registry.h"

#include <map>

namespace balcora::shell {

namespace {

using Registry = std::map<std::string, ScreenOpener, std::less<>>;

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

void register_screen(std::string name, ScreenOpener opener) {
    if (opener)
        registry()[std::move(name)] = std::move(opener);
    else
        unregister_screen(name);
}

void unregister_screen(std::string_view name) {
    auto it = registry().find(name);
    if (it != registry().end()) registry().erase(it);
}

bool screen_available(std::string_view name) {
    return registry().find(name) != registry().end();
}

bool open_screen(std::string_view name) {
    auto it = registry().find(name);
    if (it == registry().end()) return false;
    // A copy: the screen may register or unregister others while it runs.
    ScreenOpener opener = it->second;
    opener();
    return true;
}

struct ScopedScreenRegistry::Saved {
    Registry registry;
};

ScopedScreenRegistry::ScopedScreenRegistry() : saved_(std::make_unique<Saved>(Saved{registry()})) {}

ScopedScreenRegistry::~ScopedScreenRegistry() {
    registry() = std::move(saved_->registry);
}

}  // namespace balcora::shell
