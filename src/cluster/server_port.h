#pragma once

#include <functional>

namespace balcora::db {

// Whether nothing listens on 127.0.0.1:port (we can bind it ourselves).
bool port_is_free(int port);
// 5432 when free, else the first free port from 5433 up; 0 when none is.
int choose_port(const std::function<bool(int)>& is_free = port_is_free);
// The first free port from `port` up; 0 when none is.
int first_free_port_from(int port, const std::function<bool(int)>& is_free);

}  // namespace balcora::db
