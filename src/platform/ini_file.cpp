#include "platform/ini_file.h"

// Texts are UTF-8 end to end; no wide-character conversion is wanted.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include "platform/exchange_file.h"

#include <system_error>

namespace balcora::platform {

namespace {

// Windows reads and writes "key=value" without blanks around the sign, and
// compares sections and keys without regard to case.
void configure(CSimpleIniA& ini) {
    ini.SetUnicode(true);
    ini.SetMultiKey(false);
    ini.SetMultiLine(false);
    ini.SetSpaces(false);
}

// Links are followed: an administrator may keep a settings file elsewhere.
bool load(CSimpleIniA& ini, const platform::ExchangeFile& file) {
    return file.read() && ini.LoadData(file.bytes.data(), file.bytes.size()) >= 0;
}

}  // namespace

std::string ini_read(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::string_view default_value) {
    CSimpleIniA ini;
    configure(ini);
    std::string fallback(default_value);
    if (!load(ini, read_exchange_file(file, Links::kFollow))) return fallback;
    const char* v = ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
    return v ? std::string(v) : fallback;
}

bool ini_write(const std::filesystem::path& file, std::string_view section, std::string_view key,
               std::string_view value, Privacy privacy) {
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    ec.clear();
    CSimpleIniA ini;
    configure(ini);
    // A missing file starts empty; an existing one that cannot be read is left
    // alone rather than replaced by a file holding only the new key.
    const ExchangeFile old = read_exchange_file(file, Links::kFollow);
    if (old.outcome != ExchangeRead::kMissing && !load(ini, old)) return false;
    ini.SetValue(std::string(section).c_str(), std::string(key).c_str(),
                 std::string(value).c_str());
    std::string text;
    if (ini.Save(text, /*addSignature=*/false) < 0) return false;
    return replace_file(file, text, privacy) == 0;
}

}  // namespace balcora::platform
