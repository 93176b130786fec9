#include "journal.h"

#include <ctime>
#include <fstream>
#include <sstream>

namespace gerenciador {

std::string JournalEntry::field(const std::string& name) const {
    auto it = fields.find(name);
    return it == fields.end() ? std::string() : it->second;
}

bool Journal::append(const std::string& event,
                     const std::map<std::string, std::string>& fields) const {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char when[32];
    std::strftime(when, sizeof when, "%d/%m/%Y %H:%M:%S", &local);
    std::string line = std::string(when) + ";" + event;
    for (const auto& [name, value] : fields) {
        std::string clean = value;
        // The separators stay separators whatever a request carried.
        for (char& c : clean)
            if (c == ';' || c == '\n' || c == '\r') c = ' ';
        line += ";" + name + "=" + clean;
    }
    std::ofstream out(file_, std::ios::app | std::ios::binary);
    out << line << "\n";
    out.flush();
    return static_cast<bool>(out);
}

std::vector<JournalEntry> Journal::entries() const {
    std::vector<JournalEntry> list;
    std::ifstream in(file_, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
        std::istringstream parts(line);
        JournalEntry e;
        std::getline(parts, e.when, ';');
        std::getline(parts, e.event, ';');
        for (std::string part; std::getline(parts, part, ';');) {
            size_t eq = part.find('=');
            if (eq != std::string::npos) e.fields[part.substr(0, eq)] = part.substr(eq + 1);
        }
        if (!e.event.empty()) list.push_back(std::move(e));
    }
    return list;
}

std::optional<JournalEntry> Journal::last_for(const std::string& nsu) const {
    std::optional<JournalEntry> last;
    for (auto& e : entries())
        if (e.field("NSU") == nsu) last = e;
    return last;
}

std::optional<JournalEntry> Journal::approval_of(const std::string& nsu) const {
    for (auto& e : entries())
        if (e.event == "APROVADA" && e.field("NSU") == nsu) return e;
    return std::nullopt;
}

}  // namespace gerenciador
