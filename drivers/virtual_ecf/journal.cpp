#include "journal.h"

#include "text.h"

#include <charconv>

namespace balcora::vecf {

namespace {

std::vector<std::string_view> split(std::string_view line, char sep) {
    std::vector<std::string_view> out;
    std::size_t start = 0;
    while (true) {
        std::size_t at = line.find(sep, start);
        out.push_back(line.substr(start, at == line.npos ? line.npos : at - start));
        if (at == line.npos) return out;
        start = at + 1;
    }
}

std::int64_t number(std::string_view f) {
    std::int64_t v = 0;
    auto [p, ec] = std::from_chars(f.data(), f.data() + f.size(), v);
    if (f.empty() || ec != std::errc() || p != f.data() + f.size())
        throw Damaged("valor ilegível na memória fiscal");
    return v;
}

Money cents(std::string_view f) {
    return Money::from_units(number(f));
}

// The part before the last "|" is checked against the checksum after it.
std::string_view checked(std::string_view line, std::string_view extra = {}) {
    std::size_t bar = line.rfind('|');
    if (bar == line.npos) throw Damaged("registro sem soma de verificação");
    std::string_view body = line.substr(0, bar);
    std::string data(body);
    data += extra;
    if (line.substr(bar + 1) != hex8(crc32(data)))
        throw Damaged("registro com soma de verificação incorreta");
    return body;
}

std::string sealed(std::string body, std::string_view extra = {}) {
    std::string data = body;
    data += extra;
    return body + "|" + hex8(crc32(data));
}

}  // namespace

std::string hms(int seconds) {
    return zero_filled(seconds / 3600, 2) + ":" + zero_filled(seconds / 60 % 60, 2) + ":" +
           zero_filled(seconds % 60, 2);
}

std::string iso_moment(const Moment& m) {
    return util::iso_date(m.day) + " " + hms(m.seconds);
}

Moment parse_iso_moment(std::string_view text) {
    if (text.size() != 19 || text[10] != ' ' || text[13] != ':' || text[16] != ':') return {};
    auto h = digits_value(text.substr(11, 2)), mi = digits_value(text.substr(14, 2)),
         s = digits_value(text.substr(17, 2));
    DayNumber day = util::parse_iso_date(text.substr(0, 10));
    if (!day || !h || !mi || !s || *h > 23 || *mi > 59 || *s > 59) return {};
    return {day, static_cast<int>(*h * 3600 + *mi * 60 + *s)};
}

std::string encode_reduction(const ZRecord& z) {
    std::string tax;
    for (const auto& [name, value] : z.tax) {
        if (!tax.empty()) tax += ';';
        tax += name + "=" + std::to_string(value.units());
    }
    std::string body = "Z|" + std::to_string(z.crz) + "|" + std::to_string(z.coo) + "|" +
                       std::to_string(z.cro) + "|" + util::iso_date(z.movement) + "|" +
                       iso_moment(z.emitted);
    for (Money v : {z.gt, z.gross}) body += "|" + std::to_string(v.units());
    body += "|" + std::to_string(z.first_coo) + "|" + std::to_string(z.last_coo);
    for (Money v : {z.icms, z.iss, z.canc, z.desc, z.surch, z.canc_iss, z.desc_iss, z.surch_iss})
        body += "|" + std::to_string(v.units());
    body += "|" + tax;
    return sealed(body) + "\n";
}

std::string encode_summer(const SummerEvent& e) {
    return sealed("H|" + iso_moment(e.at) + "|" + (e.on ? "1" : "0")) + "\n";
}

std::vector<FiscalRecord> read_fiscal_memory(std::string_view text) {
    std::vector<FiscalRecord> out;
    for (std::string_view line : split(text, '\n')) {
        if (line.empty()) continue;
        auto f = split(checked(line), '|');
        FiscalRecord r;
        if (f[0] == "H" && f.size() == 3) {
            r.kind = FiscalRecord::Kind::summer;
            r.summer = {parse_iso_moment(f[1]), f[2] == "1"};
        } else if (f[0] == "Z" && f.size() == 19) {
            ZRecord& z = r.z;
            z.crz = number(f[1]), z.coo = number(f[2]), z.cro = number(f[3]);
            z.movement = util::parse_iso_date(f[4]);
            z.emitted = parse_iso_moment(f[5]);
            z.gt = cents(f[6]), z.gross = cents(f[7]);
            z.first_coo = number(f[8]), z.last_coo = number(f[9]);
            z.icms = cents(f[10]), z.iss = cents(f[11]), z.canc = cents(f[12]);
            z.desc = cents(f[13]), z.surch = cents(f[14]), z.canc_iss = cents(f[15]);
            z.desc_iss = cents(f[16]), z.surch_iss = cents(f[17]);
            if (!f[18].empty()) {
                for (std::string_view pair : split(f[18], ';')) {
                    std::size_t eq = pair.find('=');
                    if (eq == pair.npos) throw Damaged("totalizador ilegível na memória fiscal");
                    z.tax[std::string(pair.substr(0, eq))] = cents(pair.substr(eq + 1));
                }
            }
            if (!z.movement || !z.emitted.day) throw Damaged("data ilegível na memória fiscal");
        } else {
            throw Damaged("registro desconhecido na memória fiscal");
        }
        out.push_back(std::move(r));
    }
    return out;
}

std::string encode_document(const TapeDocument& d) {
    std::string lines;
    for (const auto& l : d.lines) lines += "\n" + one_line(l);
    std::string body =
        "D|" + std::to_string(d.coo) + "|" + d.kind + "|" + util::iso_date(d.at.day) + "|" +
        hms(d.at.seconds) + "|" + std::to_string(d.ccf) + "|" + std::to_string(d.gnf) + "|" +
        std::to_string(d.grg) + "|" + std::to_string(d.cdc) + "|" +
        std::to_string(d.value.units()) + "|" + d.status + "|" + std::to_string(d.lines.size());
    return sealed(body, lines) + lines + "\n";
}

std::vector<TapeDocument> read_tape_memory(std::string_view text) {
    std::vector<TapeDocument> out;
    auto lines = split(text, '\n');
    std::size_t i = 0;
    while (i < lines.size()) {
        std::string_view head = lines[i++];
        if (head.empty()) continue;
        std::size_t bar = head.rfind('|');
        std::size_t count_bar = bar == head.npos ? head.npos : head.rfind('|', bar - 1);
        if (count_bar == head.npos) throw Damaged("documento ilegível na memória de fita");
        auto count = digits_value(head.substr(count_bar + 1, bar - count_bar - 1));
        if (!count || static_cast<std::size_t>(*count) > lines.size() - i)
            throw Damaged("documento incompleto na memória de fita");
        std::string extra;
        for (std::size_t k = 0; k < static_cast<std::size_t>(*count); ++k)
            extra += "\n" + std::string(lines[i + k]);
        auto f = split(checked(head, extra), '|');
        if (f.size() != 12 || f[0] != "D") throw Damaged("documento ilegível na memória de fita");
        TapeDocument d;
        d.coo = number(f[1]);
        d.kind = std::string(f[2]);
        d.at.day = util::parse_iso_date(f[3]);
        Moment t = parse_iso_moment(std::string(f[3]) + " " + std::string(f[4]));
        d.at.seconds = t.seconds;
        d.ccf = number(f[5]), d.gnf = number(f[6]), d.grg = number(f[7]), d.cdc = number(f[8]);
        d.value = cents(f[9]);
        d.status = std::string(f[10]);
        for (std::size_t k = 0; k < static_cast<std::size_t>(*count); ++k)
            d.lines.emplace_back(lines[i + k]);
        i += *count;
        out.push_back(std::move(d));
    }
    return out;
}

}  // namespace balcora::vecf
