#include "ecf/aux_file.h"

#include "globals/globals.h"
#include "platform/ini_file.h"
#include "ui/environment.h"
#include "util/text.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <system_error>

namespace balcora {

namespace {

// Files already written depend on this exact arrangement: never change it.
// It leaves out the blank and the characters an INI reader may strip or
// interpret (quotes, ; # = [ ] and the backslash), so every scrambled value
// survives the file as written.
constexpr std::string_view kTable =
    "SBkl4XbYh9ZyojR}x*Q52wmKqCW0M?L7NE)u.ai6/nr,sH-!(GVvU%>f<$OFz{8tpP1T+@e:3Acdg_IDJ";
constexpr int kTableSize = 81;
static_assert(kTable.size() == kTableSize);

// 1-based position of each byte in the table, 0 when absent.
constexpr std::array<int, 256> kPosition = [] {
    std::array<int, 256> pos{};
    for (int k = 0; k < kTableSize; ++k) {
        auto c = static_cast<unsigned char>(kTable[k]);
        if (pos[c] == 0) pos[c] = k + 1;
    }
    return pos;
}();

constexpr std::string_view kSection = "PAFECF";
constexpr std::size_t kNumfabSize = 40;
constexpr std::size_t kMd5Size = 32;

std::string read_key(const std::filesystem::path& file, std::string_view key) {
    return CRIPTO(platform::ini_read(file, kSection, key));
}

bool write_key(const std::filesystem::path& file, std::string_view key, std::string_view plain) {
    return platform::ini_write(file, kSection, key, CRIPTO(plain));
}

// A whole number in plain digits, with a minus sign when allowed; nothing for
// any other text, so a damaged value never turns into a plausible amount.
std::optional<long long> parse_whole(std::string_view text, bool allow_sign) {
    text = util::trim_view(text);
    bool negative = allow_sign && !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 18) return std::nullopt;
    long long v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return negative ? -v : v;
}

std::string cap(std::string_view text, std::size_t size) {
    return std::string(text.substr(0, size));
}

std::string day_text(util::DayNumber day) {
    return std::to_string(day > 0 ? day : 0);
}

// The INI reader takes a file it cannot open for an empty one, and its writer
// would then replace it, losing the keys it could not read: check first.
int open_error(const std::filesystem::path& file) {
    std::FILE* f = std::fopen(file.c_str(), "rb");
    if (!f) return errno;
    // A folder opens but cannot be read.
    std::fgetc(f);
    int code = std::ferror(f) ? errno : 0;
    std::fclose(f);
    return code;
}

void show_open_error(const std::filesystem::path& file, int code) {
    prompt().message("Erro",
                     "Erro (" + std::to_string(code) + ") ao abrir o arquivo " + file.string(),
                     ui::Icon::kError);
}

void show_write_error(const std::filesystem::path& file) {
    prompt().message("Erro", "Erro123 ao gravar arquivo \"" + file.string() + "\"",
                     ui::Icon::kError);
}

bool all_digits(std::string_view t) {
    for (char c : t)
        if (c < '0' || c > '9') return false;
    return !t.empty();
}

bool is_hex(std::string_view t) {
    for (char c : t)
        if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    return true;
}

void apply_to_globals(const ecf::AuxFileTexts& t) {
    glo::numfab = cap(t.numfab, kNumfabSize);
    glo::vlgt = util::Money::from_units(parse_whole(t.vlgt, true).value_or(0));
    glo::md5txt = cap(t.md5txt, kMd5Size);
    glo::md5exe = cap(t.md5exe, kMd5Size);
    glo::pafsn = parse_whole(t.pafsn, false).value_or(0) != 0 ? 1 : 0;
    long long day = parse_whole(t.dtenvredz, false).value_or(0);
    glo::dtenvredz =
        day <= std::numeric_limits<util::DayNumber>::max() ? static_cast<util::DayNumber>(day) : 0;
}

}  // namespace

std::string CRIPTO(std::string_view text) {
    std::string out(text);
    for (std::size_t k = 0; k < text.size(); ++k) {
        int p = kPosition[static_cast<unsigned char>(text[k])];
        if (p == 0) continue;
        // Position i counts from 1; d = p + i brought back into 1..L.
        auto d = static_cast<int>((p + k) % kTableSize) + 1;
        out[k] = kTable[kTableSize - d];  // the table's character at L - d + 1
    }
    return out;
}

namespace ecf {

std::filesystem::path aux_file_path() {
    return data_root().map("c:\\sistemas\\balcora\\pgms\\ecf.txt");
}

void warn_aux_file_missing() {
    prompt().message("Aviso",
                     "Arquivo auxiliar \"" + aux_file_path().string() + "\" não encontrado!",
                     ui::Icon::kWarning);
}

void show_aux_file_damaged(std::string_view damage) {
    prompt().message("Erro",
                     "Arquivo auxiliar \"" + aux_file_path().string() +
                         "\" danificado: " + std::string(damage) + "!",
                     ui::Icon::kError);
}

bool is_serial_form(std::string_view serial) {
    if (serial.empty() || serial.size() > kNumfabSize) return false;
    if (serial.front() == ' ' || serial.back() == ' ') return false;
    for (char c : serial) {
        const bool letter_or_digit =
            std::isalnum(static_cast<unsigned char>(c)) && static_cast<unsigned char>(c) < 0x80;
        if (!letter_or_digit && std::string_view(" -./_").find(c) == std::string_view::npos)
            return false;
    }
    return true;
}

// Each key checked as its writer writes it: a damaged key never turns into a
// plausible serial or amount.
std::string aux_file_damage(const AuxFileTexts& t) {
    if (t.numfab.empty()) return "número de série ausente";
    if (!is_serial_form(t.numfab)) return "número de série inválido";
    std::string_view total = t.vlgt;
    if (!total.empty() && total.front() == '-') total.remove_prefix(1);
    if (total.size() < 15 || total.size() > 18 || !all_digits(total))
        return "grande total inválido";
    if (!t.md5txt.empty() && (t.md5txt.size() != kMd5Size || !is_hex(t.md5txt)))
        return "md5 dos arquivos inválido";
    if (!t.md5exe.empty() && (t.md5exe.size() != kMd5Size || !is_hex(t.md5exe)))
        return "md5 do programa inválido";
    if (t.pafsn != "0" && t.pafsn != "1") return "indicador pafsn inválido";
    if (t.dtenvredz.size() > 9 || !all_digits(t.dtenvredz))
        return "data de envio da redução Z inválida";
    return {};
}

std::string grand_total_text(util::Money total) {
    long long cents = total.units();
    std::string digits = std::to_string(cents < 0 ? -cents : cents);
    if (digits.size() < 15) digits.insert(0, 15 - digits.size(), '0');
    return cents < 0 ? "-" + digits : digits;
}

AuxRead read_aux_file(AuxFileTexts& out, int* error, std::string* damage) {
    const auto file = aux_file_path();
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) return AuxRead::kMissing;
    if (int code = open_error(file)) {
        if (error) *error = code;
        return AuxRead::kUnreadable;
    }
    out.numfab = read_key(file, "numfab");
    out.vlgt = read_key(file, "vlgt");
    out.md5txt = read_key(file, "md5txt");
    out.md5exe = read_key(file, "md5exe");
    out.pafsn = read_key(file, "pafsn");
    out.dtenvredz = read_key(file, "dtenvredz");
    std::string wrong = aux_file_damage(out);
    if (wrong.empty()) return AuxRead::kOk;
    if (damage) *damage = std::move(wrong);
    return AuxRead::kDamaged;
}

bool install_aux_file() {
    const auto file = aux_file_path();
    std::error_code ec;
    if (int code = std::filesystem::exists(file, ec) ? open_error(file) : 0) {
        show_open_error(file, code);
        return false;
    }
    const AuxFileTexts plain{
        util::trim(glo::numfab), grand_total_text(glo::vlgt), glo::md5txt, glo::md5exe,
        glo::pafsn ? "1" : "0",  day_text(glo::dtenvredz)};
    bool ok = write_key(file, "numfab", plain.numfab) && write_key(file, "vlgt", plain.vlgt) &&
              write_key(file, "md5txt", plain.md5txt) && write_key(file, "md5exe", plain.md5exe) &&
              write_key(file, "pafsn", plain.pafsn) &&
              write_key(file, "dtenvredz", plain.dtenvredz);
    AuxFileTexts back;
    ok = ok && read_aux_file(back) == AuxRead::kOk && back.numfab == plain.numfab &&
         back.vlgt == plain.vlgt && back.md5txt == plain.md5txt && back.md5exe == plain.md5exe &&
         back.pafsn == plain.pafsn && back.dtenvredz == plain.dtenvredz;
    if (!ok) show_write_error(file);
    return ok;
}

}  // namespace ecf

bool LEARQAUXILIAR() {
    ecf::AuxFileTexts texts;
    int code = 0;
    std::string damage;
    switch (ecf::read_aux_file(texts, &code, &damage)) {
        case ecf::AuxRead::kOk:
            apply_to_globals(texts);
            return true;
        case ecf::AuxRead::kMissing:
            ecf::warn_aux_file_missing();
            break;
        case ecf::AuxRead::kUnreadable:
            show_open_error(ecf::aux_file_path(), code);
            break;
        case ecf::AuxRead::kDamaged:
            ecf::show_aux_file_damaged(damage);
            break;
    }
    // Without the file no printer is authorised and no grand total is known.
    glo::numfab.clear();
    glo::vlgt = {};
    return false;
}

bool GRAVAARQAUXILIAR(bool write_numfab) {
    const auto file = ecf::aux_file_path();
    std::error_code ec;
    const bool exists = std::filesystem::exists(file, ec);
    if (!write_numfab && !exists) {
        ecf::warn_aux_file_missing();
        return false;
    }
    if (int code = exists ? open_error(file) : 0) {
        show_open_error(file, code);
        return false;
    }
    // Writing some keys into a damaged file would make it look sound.
    ecf::AuxFileTexts texts;
    std::string damage;
    if (exists && ecf::read_aux_file(texts, nullptr, &damage) == ecf::AuxRead::kDamaged) {
        ecf::show_aux_file_damaged(damage);
        return false;
    }
    bool ok = true;
    if (write_numfab) ok = write_key(file, "numfab", util::trim(glo::numfab));
    const std::string vlgt = CRIPTO(ecf::grand_total_text(glo::vlgt));
    ok = platform::ini_write(file, kSection, "vlgt", vlgt) && ok;
    ok = write_key(file, "pafsn", glo::pafsn ? "1" : "0") && ok;
    ok = write_key(file, "dtenvredz", day_text(glo::dtenvredz)) && ok;
    // Any key that did not reach the file is a failure too, not only the
    // grand total read back.
    if (!ok || platform::ini_read(file, kSection, "vlgt") != vlgt) {
        show_write_error(file);
        return false;
    }
    return true;
}

}  // namespace balcora
