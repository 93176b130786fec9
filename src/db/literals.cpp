#include "db/literals.h"

#include <cstdlib>

namespace balcora {

namespace {

bool is_blank(std::string_view v) {
    return v.find_first_not_of(' ') == std::string_view::npos;
}

// [+-]digits[.digits] with optional surrounding blanks.
bool is_plain_number(std::string_view v, bool* zero) {
    auto b = v.find_first_not_of(' ');
    if (b == std::string_view::npos) return false;
    auto e = v.find_last_not_of(' ');
    v = v.substr(b, e - b + 1);
    std::size_t i = 0;
    if (v[i] == '+' || v[i] == '-') ++i;
    bool digits = false, point = false, nonzero = false;
    for (; i < v.size(); ++i) {
        char c = v[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            nonzero |= c != '0';
        } else if (c == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    *zero = !nonzero;
    return digits;
}

}  // namespace

std::string TXTSQL(std::string_view value, bool null_if_blank) {
    if (!value.empty() && value.front() == '\0') value = {};
    if (null_if_blank && is_blank(value)) return "Null";
    std::string out;
    out.reserve(value.size() + 2);
    out += '\'';
    for (char c : value) {
        if (c == '\0') continue;
        if (c == '\'' || c == '\\') out += c;
        out += c;
    }
    out += '\'';
    return out;
}

std::string DTSQL(util::DayNumber date) {
    if (date <= 0) return "Null";
    return "'" + util::iso_date(date) + "'";
}

std::optional<std::string> date_param(util::DayNumber date) {
    if (date <= 0) return std::nullopt;
    return util::iso_date(date);
}

std::string DTSQL_HASHED(util::DayNumber date) {
    return "'" + (date > 0 ? util::iso_date(date) : std::string(kClearedDateText)) + "'";
}

std::string ZEROISNULL(std::string_view value) {
    bool zero = true;
    if (!is_plain_number(value, &zero) || zero) return "Null";
    return std::string(value);
}

std::string SONUMEROS(std::string_view value, int width) {
    std::string digits;
    for (char c : value)
        if (c >= '0' && c <= '9' && digits.size() < 99) digits += c;
    if (width <= 0) return digits;
    auto w = static_cast<std::size_t>(width);
    if (digits.size() < w) return std::string(w - digits.size(), '0') + digits;
    return digits.substr(digits.size() - w);
}

std::string RETORNACAMPO(std::string_view list, int n) {
    std::string_view field;
    int index = 0;
    std::size_t start = 0;
    while (true) {
        std::size_t comma = list.find(',', start);
        field = list.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        ++index;
        if (index == n || comma == std::string_view::npos) break;
        start = comma + 1;
    }
    return std::string(field.substr(0, 99));
}

}  // namespace balcora
