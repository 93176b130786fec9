#include "sale/sale_documents_text.h"

#include "ecf/cp1252.h"
#include "util/text.h"

#include <algorithm>

namespace balcora::sale {

namespace {

std::size_t sequence_length(unsigned char lead) {
    if ((lead & 0xE0) == 0xC0) return 2;
    if ((lead & 0xF0) == 0xE0) return 3;
    if ((lead & 0xF8) == 0xF0) return 4;
    return 1;
}

std::string join(const std::vector<std::string_view>& chars, std::size_t from, std::size_t to) {
    std::string out;
    for (std::size_t i = from; i < to && i < chars.size(); ++i) out += chars[i];
    return out;
}

}  // namespace

std::vector<std::string_view> characters(std::string_view text) {
    std::vector<std::string_view> out;
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t n = sequence_length(static_cast<unsigned char>(text[pos]));
        // A sequence the printer would not read as one character counts
        // byte by byte, as the printer counts it.
        if (n > 1 && (pos + n > text.size() || ecf::printer_length(text.substr(pos, n)) != 1))
            n = 1;
        out.push_back(text.substr(pos, n));
        pos += n;
    }
    return out;
}

std::string slice(std::string_view text, std::size_t from, std::size_t count) {
    const auto chars = characters(text);
    if (from >= chars.size()) return {};
    return join(chars, from, from + std::min(count, chars.size() - from));
}

std::string left_in(std::string_view text, std::size_t width) {
    const std::size_t n = ecf::printer_length(text);
    std::string out(text);
    if (n < width) out.append(width - n, ' ');
    return out;
}

std::string right_in(std::string_view text, std::size_t width) {
    const std::size_t n = ecf::printer_length(text);
    return n < width ? std::string(width - n, ' ') + std::string(text) : std::string(text);
}

std::string centred(std::string_view text, std::size_t width) {
    std::string t = util::trim_right(text);
    const std::size_t n = ecf::printer_length(t);
    return n > 0 && n < width ? std::string((width - n) / 2, ' ') + t : t;
}

std::vector<std::string> centred_block(const std::vector<std::string>& lines, std::size_t width) {
    std::size_t widest = 0;
    for (const auto& l : lines) widest = std::max(widest, ecf::printer_length(util::trim_right(l)));
    const std::string margin(widest < width ? (width - widest) / 2 : 0, ' ');
    std::vector<std::string> out;
    for (const auto& l : lines) {
        const std::string t = util::trim_right(l);
        out.push_back(t.empty() ? t : margin + t);
    }
    return out;
}

std::vector<std::string> wrap_words(std::string_view text, std::size_t width) {
    std::vector<std::string> out;
    if (width == 0) return out;
    const auto chars = characters(text);
    const auto blank = [&](std::size_t i) { return i < chars.size() && chars[i] == " "; };
    std::size_t pos = 0;
    while (pos < chars.size()) {
        std::size_t take, advance;
        if (chars.size() - pos <= width) {
            take = advance = chars.size() - pos;
        } else if (blank(pos + width - 1)) {
            take = advance = width;
        } else if (blank(pos + width)) {
            take = width, advance = width + 1;
        } else {
            take = advance = width;
            for (std::size_t i = pos + width - 1; i > pos; --i) {
                if (blank(i)) {
                    take = advance = i - pos + 1;
                    break;
                }
            }
        }
        const std::string line = util::trim(join(chars, pos, pos + take));
        if (!line.empty()) out.push_back(line);
        pos += advance;
    }
    return out;
}

}  // namespace balcora::sale
