#include "record.h"

#include <cctype>
#include <cstdio>

namespace gerenciador {

namespace {

bool digits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (!std::isdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

std::string trimmed(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return std::string(s.substr(b, e - b));
}

}  // namespace

Record Record::parse(std::string_view text) {
    Record r;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // "CCC-III = value": the value starts at column 11.
        if (line.size() < 10 || line[3] != '-' || line.substr(7, 3) != " = ") continue;
        std::string_view code = line.substr(0, 3), index = line.substr(4, 3);
        if (!digits(code) || !digits(index)) continue;
        int c = std::stoi(std::string(code)), i = std::stoi(std::string(index));
        if (c == 999 && i == 999) break;
        r.fields_[{c, i}] = trimmed(line.substr(10));
    }
    return r;
}

std::string Record::get(int code, int index) const {
    auto it = fields_.find({code, index});
    return it == fields_.end() ? std::string() : it->second;
}

bool Record::has(int code, int index) const {
    return fields_.count({code, index}) != 0;
}

void Record::set(int code, int index, std::string value) {
    fields_[{code, index}] = std::move(value);
}

std::string Record::text() const {
    std::string out;
    char head[16];
    for (const auto& [key, value] : fields_) {
        std::snprintf(head, sizeof head, "%03d-%03d = ", key.first % 1000, key.second % 1000);
        out += head;
        out += value;
        out += "\r\n";
    }
    out += "999-999 = 0\r\n";
    return out;
}

std::string voucher_text(std::string_view line) {
    std::string out = "\"";
    // A quote inside the text would end the field early for a reader that
    // takes the value up to the closing quote.
    for (char c : line) out += c == '"' ? '\'' : c;
    out += '"';
    return out;
}

}  // namespace gerenciador
