#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace balcora::access {

// How long the failed sign-ins at a computer count after the last of them.
inline constexpr int kLockoutMinutes = 5;

// The failed sign-ins at this computer still counting, kept in the database
// so that starting the program again gives no fresh tries, and the time
// (HH:MM) their window ends. nullopt when the database could not be read (the
// SQL error was shown).
struct RecentFailures {
    int count = 0;
    std::string until;
};
std::optional<RecentFailures> recent_failed_sign_ins();

// Counts a refused sign-in at this computer and writes it to the operation
// log with the login typed.
void record_failed_sign_in(std::string_view login);

// A sign-in succeeded: the count at this computer starts again.
void clear_failed_sign_ins();

}  // namespace balcora::access
