#pragma once

#include "ecf/printer_commands.h"

#include <initializer_list>
#include <optional>
#include <string_view>

namespace balcora::ecf {

// A parameter of a printer command: a text, or std::nullopt for one left out
// (which the driver receives as absent, not as an empty text).
using Param = std::optional<std::string_view>;

inline constexpr std::size_t kMaxParams = 7;

// Sends one command to the fiscal printer, as the driver adapter
// (DriverPrinter) does for the program; nothing else calls the driver. Texts
// are given in UTF-8 and reach the driver in Windows-1252; missing
// trailing parameters are left out. True when the printer carried the command
// out; on failure the driver has told the operator why (a driver that cannot
// be loaded is reported here). More than seven parameters is refused.
bool send(Command command, std::initializer_list<Param> params = {});

}  // namespace balcora::ecf
