#include "fiscal/ead_crypto.h"

#include <openssl/bn.h>
#include <openssl/core_names.h>
#include <openssl/evp.h>
#include <openssl/param_build.h>
#include <openssl/rsa.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace balcora::fiscal {

namespace {

template <class T, void (*Free)(T*)>
struct Deleter {
    void operator()(T* p) const { Free(p); }
};
using BigNum = std::unique_ptr<BIGNUM, Deleter<BIGNUM, BN_free>>;
using Pkey = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using PkeyCtx = std::unique_ptr<EVP_PKEY_CTX, Deleter<EVP_PKEY_CTX, EVP_PKEY_CTX_free>>;
using ParamBuilder = std::unique_ptr<OSSL_PARAM_BLD, Deleter<OSSL_PARAM_BLD, OSSL_PARAM_BLD_free>>;
using Params = std::unique_ptr<OSSL_PARAM, Deleter<OSSL_PARAM, OSSL_PARAM_free>>;

BigNum from_hex(std::string_view hex) {
    if (hex.empty()) return nullptr;
    for (char c : hex)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return nullptr;
    std::string text(hex);
    BIGNUM* bn = nullptr;
    if (BN_hex2bn(&bn, text.c_str()) == 0) return nullptr;
    return BigNum(bn);
}

// A key from its modulus and exponents; the private exponent is left out for
// a public key. Without the primes OpenSSL computes with d directly, which is
// all a signature of this size needs.
Pkey make_key(std::string_view n_hex, std::string_view e_hex, std::string_view d_hex) {
    BigNum n = from_hex(n_hex), e = from_hex(e_hex);
    BigNum d = d_hex.empty() ? nullptr : from_hex(d_hex);
    if (!n || !e || (!d_hex.empty() && !d)) return nullptr;
    ParamBuilder bld(OSSL_PARAM_BLD_new());
    if (!bld || !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_N, n.get()) ||
        !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_E, e.get()) ||
        (d && !OSSL_PARAM_BLD_push_BN(bld.get(), OSSL_PKEY_PARAM_RSA_D, d.get())))
        return nullptr;
    Params params(OSSL_PARAM_BLD_to_param(bld.get()));
    PkeyCtx ctx(EVP_PKEY_CTX_new_from_name(nullptr, "RSA", nullptr));
    if (!params || !ctx || EVP_PKEY_fromdata_init(ctx.get()) <= 0) return nullptr;
    EVP_PKEY* key = nullptr;
    const int selection = d ? EVP_PKEY_KEYPAIR : EVP_PKEY_PUBLIC_KEY;
    if (EVP_PKEY_fromdata(ctx.get(), &key, selection, params.get()) <= 0) return nullptr;
    return Pkey(key);
}

// Prepares a sign or verify context for PKCS#1 v1.5 with the MD5 DigestInfo.
bool set_md5_padding(EVP_PKEY_CTX* ctx) {
    return EVP_PKEY_CTX_set_rsa_padding(ctx, RSA_PKCS1_PADDING) > 0 &&
           EVP_PKEY_CTX_set_signature_md(ctx, EVP_md5()) > 0;
}

std::string to_hex(const std::vector<unsigned char>& bytes) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char b : bytes) {
        hex += kDigits[b >> 4];
        hex += kDigits[b & 0x0F];
    }
    return hex;
}

std::optional<std::vector<unsigned char>> from_hex_bytes(std::string_view hex) {
    if (hex.size() % 2 != 0) return std::nullopt;
    std::vector<unsigned char> bytes;
    bytes.reserve(hex.size() / 2);
    auto nibble = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        return -1;
    };
    for (std::size_t i = 0; i < hex.size(); i += 2) {
        const int hi = nibble(hex[i]), lo = nibble(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        bytes.push_back(static_cast<unsigned char>(hi << 4 | lo));
    }
    return bytes;
}

const unsigned char* bytes(std::string_view s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

using MdCtx = std::unique_ptr<EVP_MD_CTX, Deleter<EVP_MD_CTX, EVP_MD_CTX_free>>;

}  // namespace

std::optional<std::string> md5_of_file_prefix(const std::filesystem::path& file,
                                              std::uintmax_t length) {
    std::ifstream in(file, std::ios::binary);
    MdCtx ctx(EVP_MD_CTX_new());
    if (!in || !ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1) return std::nullopt;
    std::vector<char> block(1 << 16);
    while (length > 0) {
        const auto want =
            static_cast<std::streamsize>(std::min<std::uintmax_t>(length, block.size()));
        in.read(block.data(), want);
        if (in.gcount() != want) return std::nullopt;
        if (EVP_DigestUpdate(ctx.get(), block.data(), static_cast<std::size_t>(want)) != 1)
            return std::nullopt;
        length -= static_cast<std::uintmax_t>(want);
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (EVP_DigestFinal_ex(ctx.get(), digest, &size) != 1) return std::nullopt;
    return std::string(reinterpret_cast<const char*>(digest), size);
}

std::optional<std::string> sign_md5(std::string_view digest, std::string_view modulus_hex,
                                    std::string_view public_exponent_hex,
                                    std::string_view private_exponent_hex) {
    if (private_exponent_hex.empty()) return std::nullopt;
    Pkey key = make_key(modulus_hex, public_exponent_hex, private_exponent_hex);
    if (!key) return std::nullopt;
    PkeyCtx ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
    if (digest.size() != 16 || !ctx || EVP_PKEY_sign_init(ctx.get()) <= 0 ||
        !set_md5_padding(ctx.get()))
        return std::nullopt;
    std::size_t size = 0;
    if (EVP_PKEY_sign(ctx.get(), nullptr, &size, bytes(digest), digest.size()) <= 0)
        return std::nullopt;
    std::vector<unsigned char> signature(size);
    if (EVP_PKEY_sign(ctx.get(), signature.data(), &size, bytes(digest), digest.size()) <= 0)
        return std::nullopt;
    signature.resize(size);
    return to_hex(signature);
}

bool verify_md5(std::string_view digest, std::string_view signature_hex,
                std::string_view modulus_hex, std::string_view public_exponent_hex) {
    auto signature = from_hex_bytes(signature_hex);
    Pkey key = make_key(modulus_hex, public_exponent_hex, {});
    if (!signature || signature->empty() || !key) return false;
    PkeyCtx ctx(EVP_PKEY_CTX_new(key.get(), nullptr));
    if (digest.size() != 16 || !ctx || EVP_PKEY_verify_init(ctx.get()) <= 0 ||
        !set_md5_padding(ctx.get()))
        return false;
    return EVP_PKEY_verify(ctx.get(), signature->data(), signature->size(), bytes(digest),
                           digest.size()) == 1;
}

}  // namespace balcora::fiscal
