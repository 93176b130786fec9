#pragma once

#include "platform/data_root.h"

#include <functional>
#include <string>
#include <string_view>

namespace balcora::backoffice {

// The back office's database that the demonstration and the tests run the
// link against: a second database of this machine's cluster, LATIN1 as
// back-office installations are, owned by the program's role.
inline constexpr std::string_view kBackofficeDatabase = "retaguarda";

// The DDL of the schemas kontora and gestao (every statement may run again).
std::string_view backoffice_schema_sql();

using Progress = std::function<void(const std::string&)>;

// Brings up the root's own cluster when needed, creates the database when it
// is missing and applies the schema. False with the reason in *error.
bool create_backoffice_database(const platform::DataRoot& root, std::string* error,
                                const Progress& progress = {});

// libpq connection text of the back-office database over the cluster's unix
// socket as the program's role (for loading and inspecting it directly).
std::string backoffice_conninfo(const platform::DataRoot& root);

}  // namespace balcora::backoffice
