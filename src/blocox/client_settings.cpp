#include "blocox/client_settings.h"

#include "blocox/ws_exchange.h"
#include "platform/ini_file.h"
#include "ui/environment.h"

namespace balcora::blocox {

bool write_client_setting(std::string_view section, std::string_view key, std::string_view value) {
    return platform::ini_write(data_root().ini_file(kExchangeFile), section, key, value,
                               platform::Privacy::kPrivate);
}

}  // namespace balcora::blocox
