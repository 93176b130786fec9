#include "platform/host.h"

#include <unistd.h>

#include <climits>

namespace balcora::platform {

std::string computer_name() {
    char buf[HOST_NAME_MAX + 1] = {};
    if (gethostname(buf, sizeof buf - 1) != 0) return {};
    return buf;
}

}  // namespace balcora::platform
