#include "util/documents.h"

#include <algorithm>

namespace balcora::util {

namespace {

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
bool is_upper(char c) {
    return c >= 'A' && c <= 'Z';
}

// The number without its formatting marks (letters upper-cased); nullopt when
// the text holds anything else.
std::optional<std::string> bare_number(std::string_view text) {
    std::string out;
    for (char c : text) {
        if (c == '.' || c == '/' || c == '-' || c == ' ' || c == '\t') continue;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        if (!is_digit(c) && !is_upper(c)) return std::nullopt;
        out += c;
    }
    return out;
}

// Modulo-11 check digit with weights counting up from 2 at the right and
// starting over after `max_weight`. Letters count as their code minus 48, which
// keeps digits at their value.
char mod11_digit(std::string_view chars, int max_weight) {
    int sum = 0, weight = 2;
    for (auto it = chars.rbegin(); it != chars.rend(); ++it) {
        sum += (*it - '0') * weight;
        weight = weight == max_weight ? 2 : weight + 1;
    }
    int rest = sum % 11;
    return static_cast<char>('0' + (rest < 2 ? 0 : 11 - rest));
}

std::string two_mod11_digits(std::string body, int max_weight) {
    body += mod11_digit(body, max_weight);
    body += mod11_digit(body, max_weight);
    return body.substr(body.size() - 2);
}

bool one_repeated(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [&](char c) { return c == s.front(); });
}

bool all_digits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), is_digit);
}

}  // namespace

std::optional<std::string> cpf_check_digits(std::string_view nine_digits) {
    if (nine_digits.size() != 9 || !all_digits(nine_digits)) return std::nullopt;
    // CPF weights run 2..10 and 2..11 with no restart.
    return two_mod11_digits(std::string(nine_digits), 11);
}

std::optional<std::string> cnpj_check_digits(std::string_view twelve_characters) {
    if (twelve_characters.size() != 12) return std::nullopt;
    if (!std::all_of(twelve_characters.begin(), twelve_characters.end(),
                     [](char c) { return is_digit(c) || is_upper(c); })) {
        return std::nullopt;
    }
    return two_mod11_digits(std::string(twelve_characters), 9);
}

std::string format_cpf(std::string_view text) {
    auto n = bare_number(text);
    if (!n || n->size() != 11 || !all_digits(*n)) return std::string(text);
    return n->substr(0, 3) + "." + n->substr(3, 3) + "." + n->substr(6, 3) + "-" + n->substr(9);
}

std::string format_cnpj(std::string_view text) {
    auto n = bare_number(text);
    if (!n || n->size() != 14) return std::string(text);
    return n->substr(0, 2) + "." + n->substr(2, 3) + "." + n->substr(5, 3) + "/" + n->substr(8, 4) +
           "-" + n->substr(12);
}

}  // namespace balcora::util

namespace balcora {

bool CPF(std::string_view text) {
    auto n = util::bare_number(text);
    if (!n || n->size() != 11 || util::one_repeated(*n)) return false;
    auto digits = util::cpf_check_digits(std::string_view(*n).substr(0, 9));
    return digits && *digits == n->substr(9);
}

bool CNPJ(std::string_view text) {
    auto n = util::bare_number(text);
    if (!n || n->size() != 14 || util::one_repeated(*n)) return false;
    auto digits = util::cnpj_check_digits(std::string_view(*n).substr(0, 12));
    return digits && *digits == n->substr(12);
}

}  // namespace balcora
