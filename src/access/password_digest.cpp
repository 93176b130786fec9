#include "access/password_digest.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/rand.h>

#include <vector>

namespace balcora::access {

namespace {

constexpr std::size_t kSaltBytes = 16;
constexpr std::size_t kHashBytes = 32;
// Beyond this a stored count is taken as damage, not as a stronger setting:
// a sign-in would otherwise hang for minutes.
constexpr int kMaxIterations = 10'000'000;

std::string to_hex(const std::vector<unsigned char>& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0f];
    }
    return out;
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::optional<std::vector<unsigned char>> from_hex(std::string_view hex) {
    if (hex.empty() || hex.size() % 2 != 0) return std::nullopt;
    std::vector<unsigned char> out(hex.size() / 2);
    for (std::size_t i = 0; i < out.size(); ++i) {
        int hi = hex_value(hex[2 * i]), lo = hex_value(hex[2 * i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out[i] = static_cast<unsigned char>(hi * 16 + lo);
    }
    return out;
}

std::optional<std::vector<unsigned char>> derive(std::string_view password,
                                                 const std::vector<unsigned char>& salt,
                                                 int iterations, std::size_t length) {
    std::vector<unsigned char> out(length);
    if (PKCS5_PBKDF2_HMAC(password.data(), static_cast<int>(password.size()), salt.data(),
                          static_cast<int>(salt.size()), iterations, EVP_sha256(),
                          static_cast<int>(out.size()), out.data()) != 1)
        return std::nullopt;
    return out;
}

}  // namespace

std::optional<PasswordDigest> hash_password(std::string_view password, int iterations) {
    if (iterations < 1 || iterations > kMaxIterations) return std::nullopt;
    std::vector<unsigned char> salt(kSaltBytes);
    if (RAND_bytes(salt.data(), static_cast<int>(salt.size())) != 1) return std::nullopt;
    auto hash = derive(password, salt, iterations, kHashBytes);
    if (!hash) return std::nullopt;
    return PasswordDigest{to_hex(*hash), to_hex(salt), iterations};
}

bool verify_password(std::string_view password, const PasswordDigest& stored) {
    if (stored.iterations < 1 || stored.iterations > kMaxIterations) return false;
    auto salt = from_hex(stored.salt_hex);
    auto expected = from_hex(stored.hash_hex);
    if (!salt || !expected || expected->size() < kHashBytes) return false;
    auto actual = derive(password, *salt, stored.iterations, expected->size());
    return actual && CRYPTO_memcmp(actual->data(), expected->data(), expected->size()) == 0;
}

}  // namespace balcora::access
