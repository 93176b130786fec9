#include "blocox/provide_blocox.h"

#include "blocox/transmission.h"

namespace balcora::blocox {

void provide_blocox(ui::ScreenPort& port) {
    port.provide("BLOCOX", [](const ui::ScreenPort::Arguments& args) {
        return BLOCOX(args.empty() ? std::string_view() : std::string_view(args.front()));
    });
}

}  // namespace balcora::blocox
