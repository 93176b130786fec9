#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <typeindex>
#include <vector>

namespace balcora::ui {

// The windows that code below the GUI opens over itself, each under the
// procedure name the host and the main menu know it by.
enum class Window {
    kCashDayFunctions,    // "FUNCOESMAQECF" with "AbreCaixa" or "FechaCaixa"
    kCashMovement,        // "TELA_SA_SU": withdrawal or supply
    kPayment,             // "FINALIZACUPOM" with "", "Desc", "Acre" or a form
    kPreSales,            // "CONSULTAPV"
    kPrintSpool,          // "SPOOLECF"
    kLogQuery,            // "MENULOG"
    kCouponBrowse,        // "BRWCFISCAL"
    kQuickSale,           // "QUICKBALCORA"
    kSalesByBuyer,        // "VENDASCPFCNPJ"
    kBlocoXTransmission,  // "BLOCOX" with the transmission to run
    kBackup,              // "COPIADESEGURANCA"
};

// The procedure name of a window.
std::string_view window_name(Window window);

// The one way code opens ANOTHER window or starts another subsystem's
// operation. A controller gets its own view through its constructor; for
// anything beyond itself it asks this port, which it reaches through the
// injected environment (balcora::screens()). Whoever owns the windows fills
// the port: the GUI at start (gui/provide_windows.h), a test through
// ScopedEnvironment. What nobody provided answers as "not in this build":
// show() and run() say so and the caller keeps its own fallback (a message,
// a disabled menu item, a skipped start-up step).
//
// Two kinds of entry:
//  - views, keyed by the controller type they show: the caller builds the
//    controller, show() hands it to the provided view and returns when the
//    view is done with it (modal windows close before show() returns);
//  - windows, keyed by the program's procedure name ("CONFIGURACAO",
//    "QUICKBALCORA", "FUNCOESMAQECF", "FINALIZACUPOM", ...), with text
//    arguments and an int result: the main menu runs them by name, code
//    below the GUI opens them by a Window. Calls between parts of the
//    program that open no window of their own are typed services
//    (ui/service_port.h), not procedures here.
//
// A new subsystem (cash day, card payments, Bloco X, back office) plugs in by
// providing its procedures under their names, and its views for the
// controllers other code shows; the callers, the main menu and the start-up
// then find them without a change.
class ScreenPort {
  public:
    using Arguments = std::vector<std::string>;
    using Procedure = std::function<int(const Arguments&)>;

    template <class Controller>
    void provide_view(std::function<void(Controller&)> view) {
        if (!view) {
            views_.erase(std::type_index(typeid(Controller)));
            return;
        }
        views_[std::type_index(typeid(Controller))] = [view = std::move(view)](void* c) {
            view(*static_cast<Controller*>(c));
        };
    }
    template <class Controller>
    bool has_view() const {
        return views_.count(std::type_index(typeid(Controller))) != 0;
    }
    // False, leaving the controller untouched, when no view was provided.
    template <class Controller>
    bool show(Controller& controller) const {
        auto it = views_.find(std::type_index(typeid(Controller)));
        if (it == views_.end()) return false;
        // A copy: the view may provide others while it is open.
        auto view = it->second;
        view(&controller);
        return true;
    }

    // An empty procedure withdraws the name.
    void provide(std::string name, Procedure procedure);
    bool available(std::string_view name) const;
    // The procedure's result; nothing when this build has none of that name.
    std::optional<int> run(std::string_view name, const Arguments& args = {}) const;
    // Opens a window and waits until it closes: its result, or nothing when
    // this build has no such window.
    std::optional<int> open(Window window, const Arguments& args = {}) const {
        return run(window_name(window), args);
    }

  private:
    std::map<std::type_index, std::function<void(void*)>> views_;
    std::map<std::string, Procedure, std::less<>> procedures_;
};

}  // namespace balcora::ui
