#include "tef/tef_record.h"

#include "ecf/cp1252.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

namespace balcora::tef {

namespace {

constexpr std::int64_t kHundredthsPerDay = 24LL * 60 * 60 * 100;
// Indexes are three digits, so no list of a response grows past this.
constexpr int kMaxIndex = 999;

std::string line(std::string_view field, std::string_view value) {
    std::string out(field);
    out += " = ";
    out += value;
    out += "\r\n";
    return out;
}

std::string coo6(std::int64_t coo) {
    char buf[24];
    std::snprintf(buf, sizeof buf, "%06lld", static_cast<long long>(coo < 0 ? 0 : coo));
    return buf;
}

std::string cents(util::Money m) {
    return std::to_string(m.units());
}

std::string header(std::string_view kind, std::string_view id) {
    return line("000-000", kind) + line("001-000", id);
}

std::string closing() {
    return line("999-999", "0");
}

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

int three_digits(std::string_view s) {
    return (s[0] - '0') * 100 + (s[1] - '0') * 10 + (s[2] - '0');
}

// The leading digits of a value as a number; 0 when there are none or they
// do not fit.
std::int64_t leading_number(std::string_view v) {
    v = util::trim_view(v);
    std::size_t n = 0;
    while (n < v.size() && is_digit(v[n])) ++n;
    std::int64_t result = 0;
    auto [ptr, ec] = std::from_chars(v.data(), v.data() + n, result);
    (void)ptr;
    return ec == std::errc() ? result : 0;
}

bool valid_utf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const std::size_t extra = c < 0x80           ? 0
                                  : (c >> 5) == 0x6  ? 1
                                  : (c >> 4) == 0xE  ? 2
                                  : (c >> 3) == 0x1E ? 3
                                                     : 9;
        if (extra > 3 || i + extra >= s.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += 1 + extra;
    }
    return true;
}

// A text of the manager as UTF-8, without NULs, cut to `size` characters.
std::string text(std::string_view raw, std::size_t size) {
    std::string s = valid_utf8(raw) ? std::string(raw) : ecf::from_cp1252(raw);
    std::replace(s.begin(), s.end(), '\0', ' ');
    return util::cut_characters(s, size);
}

// DDMMAAAA; 0 when it is not a date.
util::DayNumber ddmmaaaa(std::string_view v) {
    if (v.size() < 8) return 0;
    for (int i = 0; i < 8; ++i)
        if (!is_digit(v[i])) return 0;
    std::string br;
    br.append(v.substr(0, 2)).append("/").append(v.substr(2, 2)).append("/").append(v.substr(4, 4));
    return util::parse_br_date(br);
}

}  // namespace

std::string transaction_identifier(std::int64_t hundredths_since_midnight) {
    std::int64_t h = hundredths_since_midnight % kHundredthsPerDay;
    if (h < 0) h += kHundredthsPerDay;
    char buf[16];
    std::snprintf(buf, sizeof buf, "9%07lld", static_cast<long long>(h));
    return buf;
}

std::string atv_request(std::string_view id) {
    return header("ATV", id) + closing();
}

std::string adm_request(std::string_view id) {
    return header("ADM", id) + closing();
}

std::string crt_request(std::string_view id, std::int64_t coo, util::Money subtotal,
                        util::Money change, util::Money discount) {
    return header("CRT", id) + line("002-000", coo6(coo)) + line("003-000", cents(subtotal)) +
           line("004-000", "0") + line("706-000", "3") + line("707-000", cents(subtotal)) +
           line("708-000", cents(change)) + line("709-000", cents(discount)) + closing();
}

std::string chq_request(std::string_view id, std::int64_t coo, util::Money amount) {
    return header("CHQ", id) + line("002-000", coo6(coo)) + line("003-000", cents(amount)) +
           line("004-000", "0") + closing();
}

std::string confirmation_request(Confirmation kind, std::string_view id, std::int64_t coo,
                                 std::string_view network, std::string_view nsu,
                                 std::string_view control) {
    return header(kind == Confirmation::kConfirm ? "CNF" : "NCN", id) + line("002-000", coo6(coo)) +
           line("010-000", util::trim(network)) + line("012-000", util::trim(nsu)) +
           line("027-000", util::trim(control)) + closing();
}

std::string cnc_request(std::string_view id, std::int64_t coo, util::Money amount,
                        std::string_view network, std::string_view nsu, util::DayNumber date,
                        std::string_view time) {
    char amount12[24];
    std::snprintf(amount12, sizeof amount12, "%012lld", static_cast<long long>(amount.units()));
    std::string day;
    if (date != 0) {
        const auto c = util::civil_date(date);
        char buf[16];
        std::snprintf(buf, sizeof buf, "%02d%02d%04d", c.day, c.month, c.year);
        day = buf;
    }
    return header("CNC", id) + line("002-000", coo6(coo)) + line("003-000", amount12) +
           line("010-000", util::trim(network)) + line("012-000", util::trim(nsu)) +
           line("022-000", day) + line("023-000", util::trim(time)) + closing();
}

std::string undo_notice(std::string_view network, std::string_view nsu, util::Money amount) {
    std::string text = "Cancelada a Transação:| ";
    if (!util::trim_view(network).empty()) text += "|Rede: " + util::trim(network);
    if (!nsu.empty()) text += "|NSU: " + std::string(nsu);
    if (!amount.is_zero()) text += "|Valor: R$ " + util::to_plain(amount, ',');
    return text;
}

ResponseFields parse_fields(std::string_view bytes) {
    ResponseFields fields;
    while (!bytes.empty()) {
        const auto end = bytes.find('\n');
        std::string_view l = bytes.substr(0, end);
        bytes = end == std::string_view::npos ? std::string_view() : bytes.substr(end + 1);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        if (l.size() > kMaxResponseLine) l = l.substr(0, kMaxResponseLine);
        if (l.size() < 10 || !is_digit(l[0]) || !is_digit(l[1]) || !is_digit(l[2]) || l[3] != '-' ||
            !is_digit(l[4]) || !is_digit(l[5]) || !is_digit(l[6]) || l.substr(7, 3) != " = ")
            continue;
        fields.emplace(std::make_pair(three_digits(l.substr(0, 3)), three_digits(l.substr(4, 3))),
                       std::string(l.substr(10)));
    }
    return fields;
}

Response read_response(std::string_view bytes) {
    const ResponseFields fields = parse_fields(bytes);
    auto get = [&](int code, int index = 0) -> std::string_view {
        const auto it = fields.find({code, index});
        return it == fields.end() ? std::string_view() : std::string_view(it->second);
    };
    auto small = [&](int code) {
        return static_cast<int>(std::min<std::int64_t>(leading_number(get(code)), kMaxIndex));
    };

    Response r;
    r.identifier = std::string(get(1).substr(0, 8));
    r.amount = util::Money::from_units(leading_number(get(3)));
    r.status = text(get(9), 3);
    r.network = text(util::trim(get(10)), 12);
    r.transaction_type = small(11);
    r.nsu = text(util::trim(get(12)), 12);
    r.authorisation = leading_number(get(13));
    r.instalment_type = small(17);
    const std::int64_t instalments_asked = leading_number(get(18));
    const int instalments =
        static_cast<int>(std::min<std::int64_t>(instalments_asked, kMaxInstalments));
    if (instalments_asked > kMaxInstalments)
        r.cut += "|" + std::to_string(instalments_asked) + " parcelas; registradas " +
                 std::to_string(kMaxInstalments) + ".";
    for (int i = 1; i <= instalments; ++i)
        r.instalments.push_back(
            {ddmmaaaa(get(19, i)), util::Money::from_units(leading_number(get(20, i)))});
    r.date = ddmmaaaa(get(22));
    r.time = text(util::trim(get(23)), 6);
    r.control = text(util::trim(get(27)), 30);
    r.voucher_count = small(28);
    const std::int64_t lines_asked = leading_number(get(28));
    if (lines_asked > kMaxVoucherLines)
        r.cut += "|Comprovante de " + std::to_string(lines_asked) + " linhas; impressas " +
                 std::to_string(kMaxVoucherLines) + ".";
    for (int i = 1; i <= std::min(r.voucher_count, kMaxVoucherLines); ++i) {
        // Managers quote voucher lines so their blanks survive: 029-001 = "  TEXT  ".
        std::string v = util::trim_right(get(29, i));
        const std::string_view quoted = util::trim_view(v);
        if (!quoted.empty() && quoted.front() == '"') {
            v = quoted.substr(1);
            if (!v.empty() && v.back() == '"') v.pop_back();
        }
        r.voucher.push_back(text(v, kMaxResponseLine));
    }
    r.message = text(util::trim(get(30)), 40);
    r.cheque_form_suffix = text(util::trim(get(40)), 12);
    r.complete = fields.count({999, 999}) != 0;
    return r;
}

}  // namespace balcora::tef
