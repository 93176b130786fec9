#include "ui/screen_port.h"

namespace balcora::ui {

std::string_view window_name(Window window) {
    switch (window) {
        case Window::kCashDayFunctions:
            return "FUNCOESMAQECF";
        case Window::kCashMovement:
            return "TELA_SA_SU";
        case Window::kPayment:
            return "FINALIZACUPOM";
        case Window::kPreSales:
            return "CONSULTAPV";
        case Window::kPrintSpool:
            return "SPOOLECF";
        case Window::kLogQuery:
            return "MENULOG";
        case Window::kCouponBrowse:
            return "BRWCFISCAL";
        case Window::kQuickSale:
            return "QUICKBALCORA";
        case Window::kSalesByBuyer:
            return "VENDASCPFCNPJ";
        case Window::kBlocoXTransmission:
            return "BLOCOX";
        case Window::kBackup:
            return "COPIADESEGURANCA";
    }
    return {};
}

void ScreenPort::provide(std::string name, Procedure procedure) {
    if (procedure) {
        procedures_[std::move(name)] = std::move(procedure);
        return;
    }
    auto it = procedures_.find(name);
    if (it != procedures_.end()) procedures_.erase(it);
}

bool ScreenPort::available(std::string_view name) const {
    return procedures_.find(name) != procedures_.end();
}

std::optional<int> ScreenPort::run(std::string_view name, const Arguments& args) const {
    auto it = procedures_.find(name);
    if (it == procedures_.end()) return std::nullopt;
    // A copy: the procedure may provide or withdraw others while it runs.
    Procedure procedure = it->second;
    return procedure(args);
}

}  // namespace balcora::ui
