#include "faults.h"

#include "text.h"
#include "util/text.h"

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <system_error>

namespace balcora::vecf {

Faults read_faults(const std::filesystem::path& file) {
    Faults f;
    std::ifstream in(file);
    if (!in) return f;
    std::string line, section;
    while (std::getline(in, line)) {
        std::string t = trim(one_line(line));
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[' && t.back() == ']') {
            section = util::to_lower_ascii(trim(t.substr(1, t.size() - 2)));
            continue;
        }
        std::size_t eq = t.find('=');
        if (eq == std::string::npos) continue;
        std::string key = util::to_lower_ascii(trim(t.substr(0, eq)));
        std::string value = trim(t.substr(eq + 1));
        if (std::size_t semi = value.find(';'); semi != std::string::npos)
            value = trim(value.substr(0, semi));
        auto n = digits_value(value);
        if (!n) continue;
        if (section == "impressora" && key == "desligada")
            f.power_off = *n != 0;
        else if (section == "impressora" && key == "sempapel")
            f.paper_out = *n != 0;
        else if (section == "recusar" && digits_value(key) && *n > 0 && *n < 1000000)
            f.refuse[static_cast<int>(*digits_value(key))] = static_cast<int>(*n);
    }
    return f;
}

bool write_faults(const std::filesystem::path& file, const Faults& faults) {
    std::ostringstream out;
    out << "[Impressora]\nDesligada=" << (faults.power_off ? 1 : 0)
        << "\nSemPapel=" << (faults.paper_out ? 1 : 0) << "\n[Recusar]\n";
    for (const auto& [command, count] : faults.refuse)
        if (count > 0) out << command << "=" << count << "\n";
    std::error_code ec;
    std::filesystem::create_directories(file.parent_path(), ec);
    std::filesystem::path temp = file;
    temp += ".tmp";
    {
        std::ofstream f(temp, std::ios::binary | std::ios::trunc);
        if (!(f << out.str()) || !f.flush()) return false;
    }
    std::filesystem::rename(temp, file, ec);
    return !ec;
}

}  // namespace balcora::vecf
