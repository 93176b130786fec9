#pragma once

#include "platform/data_root.h"

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::db {

// The passwords this checkout's back-office link logs in with, one line per
// server in the format of libpq's password file
// (host:port:database:user:password). Kept beside the installation's own
// password, only the shop's account can read it, and no password of a
// back-office server ever sits in the settings table or on a command line.

// <root>/privado/retaguarda.senha (folder 0700, file 0600).
std::filesystem::path link_password_file(const platform::DataRoot& root);

// The password stored for that server, database and user ("*" in a stored
// field matches anything); empty when none.
std::string read_link_password(const platform::DataRoot& root, std::string_view host, int port,
                               std::string_view database, std::string_view user);

// Stores the password for that server, database and user, replacing the
// entry it had and keeping the others; the file is replaced whole and
// synced. False with the reason in *error.
bool keep_link_password(const platform::DataRoot& root, std::string_view host, int port,
                        std::string_view database, std::string_view user, std::string_view password,
                        std::string* error);

// The fields of a password-file line, unescaped; empty for a comment or a
// blank line.
std::vector<std::string> password_line_fields(std::string_view line);

// The password a file hands over: the one of the first entry for `user` when
// the text is a password file (a server's balcora.senha), else its first line
// as it stands. Empty when there is none.
std::string password_in_text(std::string_view text, std::string_view user);

}  // namespace balcora::db
