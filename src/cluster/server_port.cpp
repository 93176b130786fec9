#include "cluster/server_port.h"

#include "db/connection_settings.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdint>

namespace balcora::db {

bool port_is_free(int port) {
    if (port <= 0 || port > 65535) return false;
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    // The server sets SO_REUSEADDR too, so a port left in TIME_WAIT is usable.
    int one = 1;
    setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bool free = bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    close(fd);
    return free;
}

int first_free_port_from(int port, const std::function<bool(int)>& is_free) {
    for (; port <= 65535; ++port)
        if (is_free(port)) return port;
    return 0;
}

int choose_port(const std::function<bool(int)>& is_free) {
    return first_free_port_from(kDefaultPort, is_free);
}

}  // namespace balcora::db
