#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace gerenciador {

// One line of the journal: the event and its named fields, written as
// "DD/MM/AAAA HH:MM:SS;EVENTO;NSU=...;TIPO=...;...".
struct JournalEntry {
    std::string when;
    std::string event;  // APROVADA, CONFIRMADA, DESFEITA, CANCELADA
    std::map<std::string, std::string> fields;
    std::string field(const std::string& name) const;
};

// The manager's journal of the transactions it approved and of what became
// of them. Appended one line at a time and flushed, so a killed manager
// loses at most the line it was writing.
class Journal {
  public:
    explicit Journal(std::filesystem::path file) : file_(std::move(file)) {}

    bool append(const std::string& event, const std::map<std::string, std::string>& fields) const;
    const std::vector<JournalEntry>& entries() const;

    // The last event recorded for an NSU, or none.
    std::optional<JournalEntry> last_for(const std::string& nsu) const;
    // The approval of an NSU, which carries its amount, kind and COO.
    std::optional<JournalEntry> approval_of(const std::string& nsu) const;

  private:
    // Reads the lines appended since the last look (all of them again when
    // the file was replaced or cut), so a long day's journal is not parsed
    // anew for every request.
    void catch_up() const;

    std::filesystem::path file_;
    mutable std::vector<JournalEntry> entries_;
    mutable std::uintmax_t read_up_to_ = 0;
    mutable std::uintmax_t inode_ = 0;
    mutable std::unordered_map<std::string, std::size_t> last_, approval_;  // NSU → entry
};

}  // namespace gerenciador
