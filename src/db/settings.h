#pragma once

#include <string>
#include <string_view>

namespace balcora {

// The settings store: (application, section, key) -> text, kept in the table
// registro of the application's schema (chave = section, nome = key). Values
// are read when needed, never cached.
std::string LEREGISTRO(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view default_value = {});
// Stores the value, creating the key when needed; false when it failed.
bool GRAVAREGISTRO(std::string_view application, std::string_view section, std::string_view key,
                   std::string_view value);

// A setting of "balcora" read as a number (0 when not numeric).
long long registro_number(std::string_view section, std::string_view key,
                          long long default_value = 0);

// INI files as the program names them: a bare name lives in the INI folder,
// a Windows path is mapped under the data root.
std::string read_ini(std::string_view section, std::string_view key, std::string_view default_value,
                     std::string_view file);
bool write_ini(std::string_view section, std::string_view key, std::string_view value,
               std::string_view file);
long long read_ini_number(std::string_view section, std::string_view key, long long default_value,
                          std::string_view file);

// The numeric value of a text, 0 when it is not a number.
long long text_to_integer(std::string_view text);

}  // namespace balcora
