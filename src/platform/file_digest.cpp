#include "platform/file_digest.h"

#include <openssl/evp.h>

#include <fstream>
#include <memory>

namespace balcora::platform {

std::string md5_of_file(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return {};
    std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
    if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1) return {};
    char buf[1 << 16];
    while (in) {
        in.read(buf, sizeof buf);
        if (in.gcount() > 0)
            EVP_DigestUpdate(ctx.get(), buf, static_cast<std::size_t>(in.gcount()));
    }
    if (in.bad()) return {};
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int len = 0;
    if (EVP_DigestFinal_ex(ctx.get(), digest, &len) != 1) return {};
    static const char kHex[] = "0123456789abcdef";
    std::string out;
    for (unsigned int i = 0; i < len; ++i) {
        out += kHex[digest[i] >> 4];
        out += kHex[digest[i] & 15];
    }
    return out;
}

std::filesystem::path own_executable() {
    std::error_code ec;
    auto p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::filesystem::path() : p;
}

}  // namespace balcora::platform
