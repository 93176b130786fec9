#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace balcora::fiscal {

// The raw 16-byte MD5 digest of the first `length` bytes of a file; nothing
// when the file cannot be read that far. Streamed: files of a year's movement
// never sit in memory whole.
std::optional<std::string> md5_of_file_prefix(const std::filesystem::path& file,
                                              std::uintmax_t length);

// RSA PKCS#1 v1.5 over an MD5 digest, the key given as hex strings. The
// signature comes back as upper-case hex of the modulus' width (256 digits
// for the program's 1024-bit key); nothing when the key is not usable.
std::optional<std::string> sign_md5(std::string_view md5_digest, std::string_view modulus_hex,
                                    std::string_view public_exponent_hex,
                                    std::string_view private_exponent_hex);

// True when `signature_hex` signs the digest under the public key.
bool verify_md5(std::string_view md5_digest, std::string_view signature_hex,
                std::string_view modulus_hex, std::string_view public_exponent_hex);

}  // namespace balcora::fiscal
