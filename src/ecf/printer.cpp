#include "ecf/printer.h"

#include "ecf/cp1252.h"
#include "ecf/printer_driver.h"

#include <array>
#include <string>

namespace balcora::ecf {

bool send(Command command, std::initializer_list<Param> params) {
    if (params.size() > kMaxParams) return false;
    try {
        std::array<std::string, kMaxParams> texts;
        std::array<const char*, kMaxParams> pointers{};
        std::size_t i = 0;
        for (const Param& p : params) {
            if (p) {
                texts[i] = to_cp1252(*p);
                pointers[i] = texts[i].c_str();
            }
            ++i;
        }
        return call_driver(command, pointers);
    } catch (...) {
        return false;
    }
}

}  // namespace balcora::ecf
