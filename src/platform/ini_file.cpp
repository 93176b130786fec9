#include "platform/ini_file.h"

// Texts are UTF-8 end to end; no wide-character conversion is wanted.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

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

}  // namespace

std::string ini_read(const std::filesystem::path& file, std::string_view section,
                     std::string_view key, std::string_view default_value) {
    CSimpleIniA ini;
    configure(ini);
    std::string fallback(default_value);
    std::error_code ec;
    // Only a regular file is read: a folder in its place must not be loaded.
    if (!std::filesystem::is_regular_file(file, ec)) return fallback;
    if (ini.LoadFile(file.c_str()) < 0) return fallback;
    const char* v = ini.GetValue(std::string(section).c_str(), std::string(key).c_str(), nullptr);
    return v ? std::string(v) : fallback;
}

bool ini_write(const std::filesystem::path& file, std::string_view section, std::string_view key,
               std::string_view value) {
    std::error_code ec;
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path(), ec);
    ec.clear();
    CSimpleIniA ini;
    configure(ini);
    // A missing file starts empty; an existing one that cannot be read is left
    // alone rather than replaced by a file holding only the new key.
    if (std::filesystem::exists(file, ec)) {
        if (!std::filesystem::is_regular_file(file, ec)) return false;
        if (ini.LoadFile(file.c_str()) < 0) return false;
    }
    ini.SetValue(std::string(section).c_str(), std::string(key).c_str(),
                 std::string(value).c_str());
    auto tmp = file;
    tmp += ".tmp";
    if (ini.SaveFile(tmp.c_str(), /*addSignature=*/false) < 0) {
        std::filesystem::remove(tmp, ec);
        return false;
    }
    std::filesystem::rename(tmp, file, ec);
    if (ec) std::filesystem::remove(tmp, ec);
    return !ec;
}

}  // namespace balcora::platform
