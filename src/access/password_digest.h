#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace balcora::access {

// PBKDF2-HMAC-SHA256 with a random salt. The count is stored with every
// digest, so raising it here re-hashes older passwords at their next sign-in.
inline constexpr int kPasswordIterations = 100000;

struct PasswordDigest {
    std::string hash_hex;  // 32 bytes
    std::string salt_hex;  // 16 bytes
    int iterations = 0;
};

// Empty when the system's random source failed.
std::optional<PasswordDigest> hash_password(std::string_view password,
                                            int iterations = kPasswordIterations);

// Constant-time comparison; false for a malformed digest (bad hexadecimal,
// lengths or count out of range) as well.
bool verify_password(std::string_view password, const PasswordDigest& stored);

}  // namespace balcora::access
