#pragma once

#include <filesystem>
#include <string>

namespace balcora::fiscal {

// The mail relay's password is kept out of the settings table, which every
// account that reaches the database reads, in <root>/privado/smtp.senha:
// folder 0700, file 0600, the shop's account's alone.
std::filesystem::path mail_password_file();

// The password; empty when none is kept. A password an earlier version left
// in the settings table is moved to the file first (see below).
std::string mail_password();

// Keeps the password (none: the file goes). False with the reason in *error.
bool store_mail_password(const std::string& password, std::string* error);

// The upgrade of an installation that kept the password in the settings
// table: it goes to the file and the table's value is blanked. Nothing is
// lost when the file cannot be written: the table keeps it, and the next
// start tries again. True when no password is left in the table.
bool move_mail_password_out_of_settings();

}  // namespace balcora::fiscal
