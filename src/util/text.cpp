#include "util/text.h"

#include <cstdio>

namespace balcora {

namespace {

// Plain letters of U+00C0..U+00FF; '*' marks the ones spelt with two letters
// and '-' the signs that are not letters (multiplication, division).
constexpr std::string_view kLatin1 =
    "AAAAAA*CEEEEIIII"
    "DNOOOOO-OUUUUY**"
    "aaaaaa*ceeeeiiii"
    "dnooooo-ouuuuy*y";

// Plain letters of U+0100..U+017F (Latin Extended-A), same marks.
constexpr std::string_view kLatinExtendedA =
    "AaAaAaCcCcCcCcDd"
    "DdEeEeEeEeEeGgGg"
    "GgGgHhHhIiIiIiIi"
    "Ii**JjKkkLlLlLlL"
    "lLlNnNnNnnNnOoOo"
    "Oo**RrRrRrSsSsSs"
    "SsTtTtTtUuUuUuUu"
    "UuUuWwYyYZzZzZzs";
static_assert(kLatin1.size() == 64 && kLatinExtendedA.size() == 128);

std::string_view two_letters(unsigned cp) {
    switch (cp) {
        case 0xC6:
            return "AE";
        case 0xDE:
            return "TH";
        case 0xDF:
            return "ss";
        case 0xE6:
            return "ae";
        case 0xFE:
            return "th";
        case 0x132:
            return "IJ";
        case 0x133:
            return "ij";
        case 0x152:
            return "OE";
        case 0x153:
            return "oe";
    }
    return {};
}

// The plain spelling of a code point; empty when it is not a letter we know.
std::string_view plain_letters(unsigned cp) {
    if (cp == 0xAA) return "a";  // feminine ordinal
    if (cp == 0xBA) return "o";  // masculine ordinal
    std::string_view table;
    std::size_t at = 0;
    if (cp >= 0xC0 && cp <= 0xFF) {
        table = kLatin1, at = cp - 0xC0;
    } else if (cp >= 0x100 && cp <= 0x17F) {
        table = kLatinExtendedA, at = cp - 0x100;
    } else {
        return {};
    }
    if (table[at] == '*') return two_letters(cp);
    if (table[at] == '-') return {};
    return table.substr(at, 1);
}

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

}  // namespace

std::string RETIRAACENTOS(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char lead = text[i];
        // Everything we replace is a two-byte sequence (U+0080..U+07FF).
        if ((lead & 0xE0) == 0xC0 && i + 1 < text.size() && continuation(text[i + 1])) {
            const unsigned cp = ((lead & 0x1Fu) << 6) | (text[i + 1] & 0x3Fu);
            if (cp >= 0x300 && cp <= 0x36F) {  // combining accent after a plain letter
                ++i;
                continue;
            }
            std::string_view plain = plain_letters(cp);
            if (!plain.empty()) {
                out += plain;
                ++i;
                continue;
            }
        }
        out += static_cast<char>(lead);
    }
    return out;
}

std::string SOALFANUM(std::string_view text) {
    std::string out;
    for (char c : text) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) out += c;
    }
    return out;
}

std::string SUBSTITUIR(std::string_view text, std::string_view from, std::string_view to) {
    if (from.empty()) return std::string(text);
    std::string out;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(from, start)) != text.npos; start = at + from.size()) {
        out.append(text.substr(start, at - start));
        out.append(to);
    }
    out.append(text.substr(start));
    return out;
}

}  // namespace balcora

namespace balcora::util {

namespace {
constexpr std::string_view kBlanks = " \t";
}

std::string_view trim_view(std::string_view text) {
    std::size_t first = text.find_first_not_of(kBlanks);
    if (first == text.npos) return {};
    return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::string trim(std::string_view text) {
    return std::string(trim_view(text));
}

std::string trim_right(std::string_view text) {
    std::size_t last = text.find_last_not_of(kBlanks);
    return std::string(last == text.npos ? std::string_view{} : text.substr(0, last + 1));
}

std::string to_upper_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

std::string to_lower_ascii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

std::string cut_characters(std::string_view text, std::size_t count) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) continue;
        if (chars++ == count) return std::string(text.substr(0, i));
    }
    return std::string(text);
}

std::size_t character_count(std::string_view text) {
    std::size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string fit_left(std::string_view text, std::size_t width) {
    std::string out = cut_characters(text, width);
    out.append(width - character_count(out), ' ');
    return out;
}

std::string fit_right(std::string_view text, std::size_t width) {
    std::string cut = cut_characters(text, width);
    return std::string(width - character_count(cut), ' ') + cut;
}

std::string zero_filled(std::int64_t value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", width, static_cast<long long>(value));
    return text;
}

}  // namespace balcora::util
