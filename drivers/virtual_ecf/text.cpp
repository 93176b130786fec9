#include "text.h"

#include "util/fixed_point_text.h"

#include <array>

namespace balcora::vecf {

namespace {

// The code points of bytes 0x80..0x9F in Windows-1252; 0 where the code page
// leaves the byte undefined.
constexpr std::array<char32_t, 32> kHigh = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void put_utf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

}  // namespace

std::string cp1252_to_utf8(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 4);
    for (unsigned char c : text) {
        char32_t cp = c;
        if (c < 0x20 && c != '\t')
            cp = ' ';
        else if (c == 0x7F)
            cp = ' ';
        else if (c >= 0x80 && c < 0xA0)
            cp = kHigh[c - 0x80] ? kHigh[c - 0x80] : U'?';
        put_utf8(out, cp);
    }
    return out;
}

std::size_t columns(std::string_view utf8) {
    std::size_t n = 0;
    for (unsigned char c : utf8)
        if (!continuation(c)) ++n;
    return n;
}

std::string cut(std::string_view utf8, std::size_t width) {
    std::size_t n = 0, i = 0;
    for (; i < utf8.size(); ++i) {
        if (!continuation(static_cast<unsigned char>(utf8[i]))) {
            if (n == width) break;
            ++n;
        }
    }
    return std::string(utf8.substr(0, i));
}

std::string pad_right(std::string_view utf8, std::size_t width) {
    std::string s = cut(utf8, width);
    s.append(width - columns(s), ' ');
    return s;
}

std::string pad_left(std::string_view utf8, std::size_t width) {
    std::string s = cut(utf8, width);
    return std::string(width - columns(s), ' ') + s;
}

std::string center(std::string_view utf8, std::size_t width) {
    std::string s = cut(trim(utf8), width);
    std::size_t left = (width - columns(s)) / 2;
    return trim_right(std::string(left, ' ') + s);
}

std::string spread(std::string_view left, std::string_view right, std::size_t width) {
    std::string r = cut(right, width);
    std::size_t room = width - columns(r);
    std::string l = cut(left, room > 0 ? room - (left.empty() ? 0 : 1) : 0);
    if (r.empty()) return trim_right(l);
    return l + std::string(width - columns(l) - columns(r), ' ') + r;
}

std::vector<std::string> chop(std::string_view utf8, std::size_t width) {
    std::vector<std::string> lines;
    std::string rest(utf8);
    while (columns(rest) > width) {
        std::string head = cut(rest, width);
        lines.push_back(trim_right(head));
        rest.erase(0, head.size());
    }
    lines.push_back(trim_right(rest));
    return lines;
}

std::string trim_right(std::string_view text) {
    std::size_t end = text.find_last_not_of(" \t");
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

std::string trim(std::string_view text) {
    std::size_t start = text.find_first_not_of(" \t");
    if (start == std::string_view::npos) return {};
    return trim_right(text.substr(start));
}

std::string money(util::Money value) {
    return util::to_br(value);
}

std::string quantity(util::Quantity value) {
    return util::to_br(value);
}

std::string unit_price(util::Fixed<3> value) {
    if (value.units() % 10 == 0) return util::to_br(util::Money::from_units(value.units() / 10));
    return util::to_br(value);
}

std::string zero_filled(std::int64_t value, int width) {
    std::string s = std::to_string(value < 0 ? -value : value);
    if (static_cast<int>(s.size()) < width) s.insert(0, width - s.size(), '0');
    return value < 0 ? "-" + s : s;
}

std::optional<std::int64_t> digits_value(std::string_view field) {
    if (field.empty() || field.size() > 18) return std::nullopt;
    std::int64_t v = 0;
    for (char c : field) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

std::optional<std::int64_t> decimal_units(std::string_view text, int places) {
    std::string t = trim(text);
    if (t.empty() || t.find_first_not_of("0123456789.") != std::string::npos) return std::nullopt;
    auto r = util::read_units(t, places, util::ExcessDecimals::kRefuse);
    if (!r.valid) return std::nullopt;
    return r.value;
}

util::DayNumber parse_date(std::string_view text) {
    if (text.size() != 10 || text[2] != '/' || text[5] != '/') return 0;
    return util::parse_br_date(text);
}

std::string one_line(std::string_view text, char separator) {
    std::string out(text);
    for (char& c : out)
        if (c == '\n' || c == '\r' || (separator && c == separator)) c = ' ';
    return out;
}

std::uint32_t crc32(std::string_view data) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t c = 0xFFFFFFFFu;
    for (unsigned char b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

std::string hex8(std::uint32_t value) {
    static const char* digits = "0123456789abcdef";
    std::string s(8, '0');
    for (int i = 7; i >= 0; --i, value >>= 4) s[i] = digits[value & 0xF];
    return s;
}

namespace {

constexpr std::uint64_t kP1 = 0x9E3779B185EBCA87ULL, kP2 = 0xC2B2AE3D27D4EB4FULL,
                        kP3 = 0x165667B19E3779F9ULL, kP4 = 0x85EBCA77C2B2AE63ULL,
                        kP5 = 0x27D4EB2F165667C5ULL;

std::uint64_t rotl(std::uint64_t x, int r) {
    return (x << r) | (x >> (64 - r));
}

// Little-endian whatever the machine, so a file hashes alike everywhere.
template <typename T>
T read_le(const unsigned char* p) {
    T v = 0;
    for (std::size_t i = 0; i < sizeof(T); ++i) v |= static_cast<T>(p[i]) << (8 * i);
    return v;
}

std::uint64_t lane(std::uint64_t acc, std::uint64_t input) {
    return rotl(acc + input * kP2, 31) * kP1;
}

std::uint64_t merge(std::uint64_t h, std::uint64_t v) {
    return (h ^ lane(0, v)) * kP1 + kP4;
}

}  // namespace

std::uint64_t hash64(std::string_view data) {
    const auto* p = reinterpret_cast<const unsigned char*>(data.data());
    const unsigned char* const end = p + data.size();
    std::uint64_t h;
    if (data.size() >= 32) {
        std::uint64_t v1 = kP1 + kP2, v2 = kP2, v3 = 0, v4 = 0 - kP1;
        for (; end - p >= 32; p += 32) {
            v1 = lane(v1, read_le<std::uint64_t>(p));
            v2 = lane(v2, read_le<std::uint64_t>(p + 8));
            v3 = lane(v3, read_le<std::uint64_t>(p + 16));
            v4 = lane(v4, read_le<std::uint64_t>(p + 24));
        }
        h = rotl(v1, 1) + rotl(v2, 7) + rotl(v3, 12) + rotl(v4, 18);
        h = merge(merge(merge(merge(h, v1), v2), v3), v4);
    } else {
        h = kP5;
    }
    h += data.size();
    for (; end - p >= 8; p += 8) h = rotl(h ^ lane(0, read_le<std::uint64_t>(p)), 27) * kP1 + kP4;
    if (end - p >= 4) {
        h = rotl(h ^ read_le<std::uint32_t>(p) * kP1, 23) * kP2 + kP3;
        p += 4;
    }
    for (; p < end; ++p) h = rotl(h ^ *p * kP5, 11) * kP1;
    h = (h ^ (h >> 33)) * kP2;
    h = (h ^ (h >> 29)) * kP3;
    return h ^ (h >> 32);
}

std::string hex16(std::uint64_t value) {
    return hex8(static_cast<std::uint32_t>(value >> 32)) + hex8(static_cast<std::uint32_t>(value));
}

}  // namespace balcora::vecf
