#pragma once

#include <filesystem>

namespace balcora::db {

// The folder the program's schema scripts ship in.
std::filesystem::path shipped_scripts_dir();

// Copies balcora1.sql and balcora2.sql into the program folder when the
// shipped ones are newer (or missing there), keeping their modification time
// so the stamp stored in cfg follows the shipped file.
void install_shipped_scripts();

// Runs both schema scripts of the program on the process connection, as the
// start-up does; their results are not a reason to stop.
void apply_schema_scripts();

}  // namespace balcora::db
