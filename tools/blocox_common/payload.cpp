#include "payload.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <cstdint>
#include <ctime>

namespace blocox {

namespace {

void put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v & 0xff);
    out += static_cast<char>(v >> 8);
}

void put32(std::string& out, uint32_t v) {
    put16(out, static_cast<uint16_t>(v & 0xffff));
    put16(out, static_cast<uint16_t>(v >> 16));
}

uint32_t get(std::string_view in, size_t at, int bytes) {
    uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | static_cast<unsigned char>(in[at + i]);
    return v;
}

// The MS-DOS date and time a ZIP entry carries.
void dos_time(uint16_t* time_part, uint16_t* date_part) {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    *time_part = static_cast<uint16_t>((t.tm_hour << 11) | (t.tm_min << 5) | (t.tm_sec / 2));
    *date_part = static_cast<uint16_t>(((t.tm_year - 80) << 9) | ((t.tm_mon + 1) << 5) | t.tm_mday);
}

std::optional<std::string> deflate_raw(std::string_view in) {
    z_stream z{};
    if (deflateInit2(&z, Z_BEST_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK)
        return std::nullopt;
    std::string out(deflateBound(&z, in.size()), '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    int rc = deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    if (rc != Z_STREAM_END) return std::nullopt;
    return out;
}

std::optional<std::string> inflate_raw(std::string_view in, size_t expected) {
    z_stream z{};
    if (inflateInit2(&z, -15) != Z_OK) return std::nullopt;
    std::string out(expected, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(in.data()));
    z.avail_in = static_cast<uInt>(in.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = static_cast<uInt>(out.size());
    int rc = inflate(&z, Z_FINISH);
    bool whole = rc == Z_STREAM_END && z.total_out == expected;
    inflateEnd(&z);
    if (!whole) return std::nullopt;
    return out;
}

}  // namespace

std::string zip_one_file(std::string_view name, std::string_view content) {
    const uint32_t crc = static_cast<uint32_t>(crc32(
        0L, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
    std::string data = deflate_raw(content).value_or(std::string());
    uint16_t time_part, date_part;
    dos_time(&time_part, &date_part);

    auto entry_fields = [&](std::string& out) {
        put16(out, 20);      // version needed: deflate
        put16(out, 0x0800);  // names in UTF-8
        put16(out, 8);
        put16(out, time_part);
        put16(out, date_part);
        put32(out, crc);
        put32(out, static_cast<uint32_t>(data.size()));
        put32(out, static_cast<uint32_t>(content.size()));
        put16(out, static_cast<uint16_t>(name.size()));
        put16(out, 0);
    };
    std::string zip;
    put32(zip, 0x04034b50);
    entry_fields(zip);
    zip += name;
    zip += data;

    const uint32_t directory_at = static_cast<uint32_t>(zip.size());
    put32(zip, 0x02014b50);
    put16(zip, 20);  // made by
    entry_fields(zip);
    put16(zip, 0);  // comment
    put16(zip, 0);  // disk
    put16(zip, 0);  // internal attributes
    put32(zip, 0);  // external attributes
    put32(zip, 0);  // local header at the start
    zip += name;
    const uint32_t directory_size = static_cast<uint32_t>(zip.size()) - directory_at;

    put32(zip, 0x06054b50);
    put16(zip, 0);
    put16(zip, 0);
    put16(zip, 1);
    put16(zip, 1);
    put32(zip, directory_size);
    put32(zip, directory_at);
    put16(zip, 0);
    return zip;
}

std::optional<std::string> unzip_first_file(std::string_view zip, size_t max_size,
                                            std::string* name) {
    if (zip.size() < 30 || get(zip, 0, 4) != 0x04034b50) return std::nullopt;
    const uint32_t flags = get(zip, 6, 2);
    const uint32_t method = get(zip, 8, 2);
    const uint32_t crc = get(zip, 14, 4);
    const uint32_t packed = get(zip, 18, 4);
    const uint32_t size = get(zip, 22, 4);
    const size_t data_at = 30 + get(zip, 26, 2) + get(zip, 28, 2);
    // Sizes given after the data (bit 3) and encryption (bit 0) are not taken.
    if ((flags & 0x9) != 0 || size > max_size) return std::nullopt;
    if (data_at > zip.size() || packed > zip.size() - data_at) return std::nullopt;
    if (name) *name = std::string(zip.substr(30, get(zip, 26, 2)));
    std::string_view data = zip.substr(data_at, packed);
    std::optional<std::string> content;
    if (method == 0 && packed == size)
        content = std::string(data);
    else if (method == 8)
        content = inflate_raw(data, size);
    if (!content) return std::nullopt;
    const uint32_t actual = static_cast<uint32_t>(crc32(
        0L, reinterpret_cast<const Bytef*>(content->data()), static_cast<uInt>(content->size())));
    if (actual != crc) return std::nullopt;
    return content;
}

std::string to_base64(std::string_view bytes) {
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    int n = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                            reinterpret_cast<const unsigned char*>(bytes.data()),
                            static_cast<int>(bytes.size()));
    out.resize(n > 0 ? n : 0);
    return out;
}

std::optional<std::string> from_base64(std::string_view text) {
    std::string clean;
    clean.reserve(text.size());
    for (char c : text)
        if (c != ' ' && c != '\n' && c != '\r' && c != '\t') clean += c;
    if (clean.size() % 4 != 0) return std::nullopt;
    if (clean.empty()) return std::string();
    std::string out(clean.size() / 4 * 3, '\0');
    int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                            reinterpret_cast<const unsigned char*>(clean.data()),
                            static_cast<int>(clean.size()));
    if (n < 0) return std::nullopt;
    size_t padding = 0;
    if (clean.back() == '=') padding = clean[clean.size() - 2] == '=' ? 2 : 1;
    out.resize(static_cast<size_t>(n) - padding);
    return out;
}

}  // namespace blocox
