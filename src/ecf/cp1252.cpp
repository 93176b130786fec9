#include "ecf/cp1252.h"

#include <array>
#include <cstdint>

namespace balcora::ecf {

namespace {

// Code points of bytes 0x80-0x9F; 0 where the code page defines nothing.
constexpr std::array<char32_t, 32> kHighControls = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // 80-87
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,       // 88-8F
    0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90-97
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,  // 98-9F
};

constexpr char32_t kInvalid = 0xFFFFFFFF;

// Decodes one code point at `pos`, advancing it; kInvalid (one byte consumed)
// for a malformed, overlong or surrogate sequence.
char32_t next_code_point(std::string_view s, std::size_t& pos) {
    const auto b0 = static_cast<unsigned char>(s[pos++]);
    if (b0 < 0x80) return b0;
    int extra;
    char32_t cp;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1, cp = b0 & 0x1F;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, cp = b0 & 0x0F;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, cp = b0 & 0x07;
    } else {
        return kInvalid;
    }
    if (pos + extra > s.size()) return kInvalid;
    for (int i = 0; i < extra; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) return kInvalid;
        cp = (cp << 6) | (b & 0x3F);
    }
    static constexpr char32_t kMinimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < kMinimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return kInvalid;
    pos += extra;
    return cp;
}

char encode(char32_t cp) {
    if (cp == 0 || cp == kInvalid) return '?';
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF)) return static_cast<char>(cp);
    for (std::size_t i = 0; i < kHighControls.size(); ++i) {
        if (kHighControls[i] == cp) return static_cast<char>(0x80 + i);
    }
    return '?';
}

void append_utf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

}  // namespace

std::string to_cp1252(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t pos = 0; pos < utf8.size();) out += encode(next_code_point(utf8, pos));
    return out;
}

std::string from_cp1252(std::string_view cp1252) {
    std::string out;
    out.reserve(cp1252.size() + cp1252.size() / 4);
    for (char c : cp1252) {
        const auto b = static_cast<unsigned char>(c);
        char32_t cp = b;
        if (b >= 0x80 && b < 0xA0) cp = kHighControls[b - 0x80] ? kHighControls[b - 0x80] : 0xFFFD;
        append_utf8(out, cp);
    }
    return out;
}

std::size_t printer_length(std::string_view utf8) {
    std::size_t n = 0;
    for (std::size_t pos = 0; pos < utf8.size(); ++n) next_code_point(utf8, pos);
    return n;
}

std::string fit(std::string_view utf8, std::size_t width) {
    std::size_t pos = 0, n = 0;
    while (pos < utf8.size() && n < width) {
        next_code_point(utf8, pos);
        ++n;
    }
    std::string out(utf8.substr(0, pos));
    out.append(width - n, ' ');
    return out;
}

}  // namespace balcora::ecf
