#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace balcora::backoffice {

// The address a ping printed for the host: between "[" and "]" as Windows
// writes it, or between "(" and ")" as Linux does; at most 19 characters.
// Empty when the text holds none.
std::string address_in_ping_output(std::string_view text);

// Finds the address of a host name (the "NOIP" buttons): one ping, whose
// output names the address even when the host does not answer, or the
// system's resolver when ping is not there. nullopt with *why when neither
// finds it.
using HostResolver =
    std::function<std::optional<std::string>(const std::string& host, std::string* why)>;
std::optional<std::string> resolve_host(const std::string& host, std::string* why);

}  // namespace balcora::backoffice
