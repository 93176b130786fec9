#pragma once

#include <string_view>

namespace balcora::blocox {

// Writes a key of the client's exchange file (its "Config": certificate,
// password, authority), which holds the certificate's password: only the
// shop's account may read it, whoever created it and whatever wrote it last.
bool write_client_setting(std::string_view section, std::string_view key, std::string_view value);

}  // namespace balcora::blocox
