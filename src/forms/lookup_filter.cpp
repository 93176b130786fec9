#include "forms/lookup_filter.h"

#include "db/literals.h"
#include "util/text.h"

namespace balcora::forms {

std::string like_pattern(std::string_view typed) {
    std::string pattern;
    pattern.reserve(typed.size() + 2);
    for (char c : typed) {
        // LIKE reads a backslash as its escape: a lone one at the end would
        // fail the statement and any other would hide the letter after it.
        if (c == '\\') pattern += '\\';
        pattern += c;
    }
    if (pattern.empty() || pattern.back() != '%') pattern += '%';
    return pattern;
}

std::string folded_like(std::string_view column, std::string_view typed) {
    return "UPPER(balcora.to_ascii(" + std::string(column) + ")) LIKE UPPER(balcora.to_ascii(" +
           TXTSQL(like_pattern(typed)) + "))";
}

std::string folded_prefix(std::string_view column, std::string_view typed) {
    std::string pattern;
    for (char c : typed) {
        if (c == '\\' || c == '%' || c == '_') pattern += '\\';
        pattern += c;
    }
    return "UPPER(balcora.to_ascii(" + std::string(column) + ")) LIKE UPPER(balcora.to_ascii(" +
           TXTSQL(pattern + "%") + "))";
}

std::string fold_text(std::string_view text) {
    return util::to_upper_ascii(RETIRAACENTOS(text));
}

}  // namespace balcora::forms
