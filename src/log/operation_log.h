#pragma once

#include <string_view>

namespace balcora {

// Stores one row of the operation log: "INC", "ALT", "EXC" for record
// changes, "FUN" for fiscal functions (then `id` is the cash day's day
// number). The fifth text is accepted and not stored. False when the insert
// failed (already shown); callers carry on.
bool GRAVALOG(std::string_view operation, std::string_view table, std::string_view id,
              std::string_view description, std::string_view extra = {});

// Stores a refused sign-in: the login typed, this computer and the time, with
// operation "ACE". False when the insert failed (already shown).
bool log_failed_sign_in(std::string_view login);

}  // namespace balcora
