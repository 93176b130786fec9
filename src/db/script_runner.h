#pragma once

#include <string>
#include <string_view>

namespace balcora {

// Applies a schema script when its file is newer than the stamp stored in
// <schema>.cfg: blocks numbered above seqatual run batch by batch, and the
// stamp is stored only when the whole run succeeded. 1 when the script ran
// successfully or was already applied, 0 when it failed or is missing.
int LEARQUIVOSQL(std::string_view path, int number, std::string_view schema);

namespace db {
// The modification time of a file as YYYY-MM-DD HH:MM:SS in local time;
// empty when the file cannot be read.
std::string file_stamp(const std::string& path);
}  // namespace db

}  // namespace balcora
