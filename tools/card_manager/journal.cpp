#include "journal.h"

#include <sys/stat.h>

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

namespace {

JournalEntry parse_line(const std::string& line) {
    std::istringstream parts(line);
    JournalEntry e;
    std::getline(parts, e.when, ';');
    std::getline(parts, e.event, ';');
    for (std::string part; std::getline(parts, part, ';');) {
        size_t eq = part.find('=');
        if (eq != std::string::npos) e.fields[part.substr(0, eq)] = part.substr(eq + 1);
    }
    return e;
}

}  // namespace

void Journal::catch_up() const {
    struct stat st {};
    const bool present = ::stat(file_.c_str(), &st) == 0;
    const std::uintmax_t size = present ? static_cast<std::uintmax_t>(st.st_size) : 0;
    if (!present || size < read_up_to_ || st.st_ino != inode_) {
        entries_.clear();
        last_.clear();
        approval_.clear();
        read_up_to_ = 0;
        inode_ = present ? st.st_ino : 0;
    }
    if (!present || size == read_up_to_) return;
    std::ifstream in(file_, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(read_up_to_));
    std::string text(static_cast<size_t>(size - read_up_to_), '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<size_t>(in.gcount()));
    // A line still being written is read once it is whole.
    const size_t end = text.rfind('\n');
    if (end == std::string::npos) return;
    read_up_to_ += end + 1;
    std::istringstream lines(text.substr(0, end + 1));
    for (std::string line; std::getline(lines, line);) {
        JournalEntry e = parse_line(line);
        if (e.event.empty()) continue;
        const std::string nsu = e.field("NSU");
        last_[nsu] = entries_.size();
        if (e.event == "APROVADA") approval_.try_emplace(nsu, entries_.size());
        entries_.push_back(std::move(e));
    }
}

const std::vector<JournalEntry>& Journal::entries() const {
    catch_up();
    return entries_;
}

std::optional<JournalEntry> Journal::last_for(const std::string& nsu) const {
    catch_up();
    auto it = last_.find(nsu);
    if (it == last_.end()) return std::nullopt;
    return entries_[it->second];
}

std::optional<JournalEntry> Journal::approval_of(const std::string& nsu) const {
    catch_up();
    auto it = approval_.find(nsu);
    if (it == approval_.end()) return std::nullopt;
    return entries_[it->second];
}

}  // namespace gerenciador
