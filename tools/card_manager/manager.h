#pragma once

#include "journal.h"
#include "record.h"
#include "rules.h"

#include <csignal>
#include <filesystem>
#include <optional>
#include <string>

namespace gerenciador {

// The card-payment manager: takes each request the program hands over in
// <root>/tef_dial/req/IntPos.001, answers with the status file and, for the
// kinds the program waits on, the response in <root>/tef_dial/resp.
class Manager {
  public:
    Manager(std::filesystem::path root, std::filesystem::path rules_file,
            const volatile std::sig_atomic_t* stop);

    // Polls the request folder until *stop is set.
    void run();
    // Takes and answers the request waiting, if any; true when it took one.
    bool take_request();

  private:
    struct Answer {
        bool status = true;              // false: the request is ignored
        std::optional<Record> response;  // none: only the status file
    };
    Answer answer(const Record& request, const Rules& rules);
    Record sale(const Record& request, const Rules& rules, const std::string& kind);
    Record administrative(const Record& request, const Rules& rules);
    Record cancellation(const Record& request, const Rules& rules);
    void settle(const Record& request, bool confirm);

    std::string next_nsu();
    Record approved_answer(const std::string& kind, const Record& request, const Rules& rules,
                           const std::string& nsu, const std::string& message);
    static std::string stamp_line();
    bool write_atomically(const std::filesystem::path& file, const std::string& text);
    // Waits in short steps so that a stop request ends the wait.
    void pause(int milliseconds);

    std::filesystem::path req_, resp_, rules_file_, nsu_file_;
    Journal journal_;
    const volatile std::sig_atomic_t* stop_;
};

}  // namespace gerenciador
