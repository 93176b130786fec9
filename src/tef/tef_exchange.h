#pragma once

// The hand-over of requests to the card-payment manager and the wait for its
// answers, through the exchange folders <root>/tef_dial/req and
// <root>/tef_dial/resp. Blocking, on the GUI thread: every wait calls the
// caller's `yield` between polls so the window keeps drawing and responding.
// Time comes from an injected Timer so tests step through the waits without
// real seconds. Messages go through the prompt port, each after the printer's
// TEF mode has been left.

#include "platform/exchange_file.h"
#include "platform/folder_watch.h"
#include "tef/tef_record.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace balcora::tef {

// The files of the exchange, mapped under the data root.
struct ExchangeFiles {
    std::filesystem::path request_tmp;  // request being written
    std::filesystem::path request;      // request handed to the manager
    std::filesystem::path status;       // the manager took the request
    std::filesystem::path response;     // the manager's answer
    std::filesystem::path copy;         // copy of the last answer (pending transaction)
};
ExchangeFiles exchange_files();

// Time as the exchange sees it.
class Timer {
  public:
    virtual ~Timer() = default;
    // Hundredths of a second on a clock that never goes back (waits).
    virtual std::int64_t now() = 0;
    // Hundredths of a second since local midnight (identifiers).
    virtual std::int64_t time_of_day() = 0;
    // The gap between two polls of a folder.
    virtual void idle() = 0;
    // The gap between two polls of a folder whose files the manager writes:
    // it may end as soon as `watch` sees a file written.
    virtual void idle_watching(platform::FolderWatch& watch) { idle(); }
};

// The real clocks; a gap is 10 ms so a half-hour wait does not hold a
// processor, and a gap watching the manager's folder ends at its first write,
// so an answer costs the exchange no polling latency.
class SystemTimer final : public Timer {
  public:
    std::int64_t now() override;
    std::int64_t time_of_day() override;
    void idle() override;
    void idle_watching(platform::FolderWatch& watch) override;
};

enum class RequestKind { kAtv, kCrt, kChq, kCnf, kNcn, kAdm, kCnc };

// Waits of the exchange, in hundredths of a second.
inline constexpr std::int64_t kStatusWait = 700;
inline constexpr std::int64_t kResponseWait = 180000;
inline constexpr std::int64_t kPauseBeforeConfirm = 50;
inline constexpr std::int64_t kPauseAfterResponse = 1000;
inline constexpr std::int64_t kPauseAfterUndo = 200;
// How long a rename refused as access denied is retried.
inline constexpr std::int64_t kRenameRetry = 700;
// How long a response without its closing line must stay unchanged before it
// is taken as the manager's whole answer.
inline constexpr std::int64_t kResponseSettle = 100;

// The waits and pauses an exchange keeps, in hundredths of a second; tests
// and the benchmark shorten them.
struct Limits {
    std::int64_t status_wait = kStatusWait;
    std::int64_t response_wait = kResponseWait;
    std::int64_t pause_before_confirm = kPauseBeforeConfirm;
    std::int64_t pause_after_response = kPauseAfterResponse;
    std::int64_t pause_after_undo = kPauseAfterUndo;
};

// Called after every request the manager took and every response copied:
// the moments a crash test cuts the program at. None by default.
using ExchangeHook = void (*)();
void set_exchange_hook(ExchangeHook hook);

// Reads a response file (the manager's or the pending-transaction copy) as
// hostile input: opened without blocking, only a regular file and at most
// 1 MiB. `response` is filled when the outcome is kRead.
platform::ExchangeFile read_response_file(const std::filesystem::path& path, Response* response);
// What to tell the operator of a response file that was not read.
std::string response_file_error(const std::filesystem::path& path,
                                const platform::ExchangeFile& read);

class Exchange {
  public:
    explicit Exchange(Timer& timer, std::function<void()> yield = {}, Limits limits = {});

    const Limits& limits() const { return limits_; }

    // A fresh identifier from the timer's time of day.
    std::string new_identifier();

    // Writes the request (through the field writer, so accents go), hands it
    // over and waits up to 7 seconds for the manager's status file, which is
    // then removed. On failure the request is removed and the operator told:
    // "Gerenciador Padrão não está ativo!" when the manager did not answer.
    // A CNF waits half a second before it is handed over.
    bool send(RequestKind kind, std::string_view request);

    // What a response of another transaction does to the wait.
    enum class OtherResponse {
        kSkip,  // removed with "Identificação da transação inválida!"; the wait goes on
        kStop,  // removed with "Identificador não confere!"; the wait ends (administrative
                // functions: the operator starts them again)
    };

    // Waits up to 30 minutes for the response of `identifier`. A response of
    // another transaction is removed and, as `other` says, skipped or the end
    // of the wait. A response without its closing line
    // is judged only after it has stayed unchanged for a second (the manager
    // may still be writing it). A response read is copied to the
    // pending-transaction copy, then a 10-second pause follows. Empty after
    // the timeout or an error, which the operator has been shown.
    std::optional<Response> wait_response(std::string_view identifier,
                                          OtherResponse other = OtherResponse::kSkip);

    // Waits without polling, yielding meanwhile (the pause after an NCN).
    void pause(std::int64_t hundredths);

    // Removal of the exchange's files; a missing file is no error.
    void remove_request();
    void remove_status();
    void remove_response();
    void remove_copy();

  private:
    bool write_request(std::string_view request);
    bool hand_over();
    void keep_copy(const std::string& bytes);

    Timer& timer_;
    std::function<void()> yield_;
    Limits limits_;
    ExchangeFiles files_;
    platform::FolderWatch& response_folder_;
};

}  // namespace balcora::tef
