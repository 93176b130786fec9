#include "tef/tef_exchange.h"

#include "db/field_writer.h"
#include "platform/file_write.h"
#include "tef/tef_mode.h"
#include "ui/environment.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <system_error>
#include <thread>

namespace balcora::tef {

namespace fs = std::filesystem;

namespace {

// A response is a few hundred lines at most; a larger file is no response.
constexpr std::size_t kMaxResponseBytes = platform::kExchangeFileLimit;

// The printer's TEF mode is left before the operator is asked to read
// anything, so the printer is free while the message waits.
void tell(std::string_view title, const std::string& text, ui::Icon icon) {
    DESATIVAMODOTEF();
    prompt().message(title, text, icon);
}

std::string quoted(const fs::path& p) {
    return "\"" + p.string() + "\"";
}

platform::ExchangeFile read_file(const fs::path& path) {
    return platform::read_exchange_file(path, platform::Links::kRefuse, kMaxResponseBytes);
}

void remove_file(const fs::path& p) {
    std::error_code ec;
    fs::remove(p, ec);
}

ExchangeHook exchange_hook = nullptr;

// One watch for the program's life: closing an inotify descriptor waits for
// the kernel to retire its marks, which costs more than a whole sale.
platform::FolderWatch& response_folder_watch() {
    static platform::FolderWatch watch;
    return watch;
}

void exchange_point() {
    if (exchange_hook) exchange_hook();
}

}  // namespace

void set_exchange_hook(ExchangeHook hook) {
    exchange_hook = hook;
}

ExchangeFiles exchange_files() {
    const auto& root = data_root();
    return {root.map("c:\\tef_dial\\req\\IntPos.tmp"), root.map("c:\\tef_dial\\req\\IntPos.001"),
            root.map("c:\\tef_dial\\resp\\IntPos.Sts"), root.map("c:\\tef_dial\\resp\\IntPos.001"),
            root.map("c:\\sistemas\\balcora\\pgms\\IntPos.zmk")};
}

std::int64_t SystemTimer::now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count() / 10;
}

std::int64_t SystemTimer::time_of_day() {
    using namespace std::chrono;
    const auto t = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(t);
    std::tm local{};
    localtime_r(&secs, &local);
    const auto ms = duration_cast<milliseconds>(t.time_since_epoch()).count() % 1000;
    return (local.tm_hour * 3600LL + local.tm_min * 60 + local.tm_sec) * 100 + ms / 10;
}

constexpr int kPollGapMs = 10;

void SystemTimer::idle() {
    std::this_thread::sleep_for(std::chrono::milliseconds(kPollGapMs));
}

void SystemTimer::idle_watching(platform::FolderWatch& watch) {
    watch.wait(kPollGapMs);
}

Exchange::Exchange(Timer& timer, std::function<void()> yield, Limits limits)
    : timer_(timer),
      yield_(std::move(yield)),
      limits_(limits),
      files_(exchange_files()),
      response_folder_(response_folder_watch()) {}

std::string Exchange::new_identifier() {
    return transaction_identifier(timer_.time_of_day());
}

void Exchange::pause(std::int64_t hundredths) {
    const std::int64_t start = timer_.now();
    while (timer_.now() - start < hundredths) {
        if (yield_) yield_();
        timer_.idle();
    }
}

void Exchange::remove_request() {
    remove_file(files_.request);
}
void Exchange::remove_status() {
    remove_file(files_.status);
}
void Exchange::remove_response() {
    remove_file(files_.response);
}
void Exchange::remove_copy() {
    remove_file(files_.copy);
}

bool Exchange::write_request(std::string_view request) {
    if (request.size() > kMaxRequestSize) {
        // The manager would read a cut request as another one.
        tell("Erro",
             "Requisição TEF com mais de " + std::to_string(kMaxRequestSize) +
                 " caracteres não enviada.",
             ui::Icon::kError);
        return false;
    }
    std::error_code ec;
    fs::create_directories(files_.request_tmp.parent_path(), ec);
    // Created afresh, never through what lies at the temporary name: a link
    // planted there would have the request overwrite the file it names.
    if (const int e =
            platform::write_new_file(files_.request_tmp, db::format_field(request, {}, -1), 0644)) {
        tell("erro",
             "Erro (" + std::to_string(e) + ") ao criar o arquivo " + files_.request_tmp.string(),
             ui::Icon::kError);
        return false;
    }
    return true;
}

bool Exchange::hand_over() {
    const std::int64_t start = timer_.now();
    while (std::rename(files_.request_tmp.c_str(), files_.request.c_str()) != 0) {
        const int e = errno;
        // The manager may still hold the previous request open.
        if ((e == EACCES || e == EBUSY) && timer_.now() - start < kRenameRetry) {
            if (yield_) yield_();
            timer_.idle();
            continue;
        }
        tell("Erro",
             "Erro (" + std::to_string(e) + ") ao renomear o arquivo " +
                 quoted(files_.request_tmp) + "!",
             ui::Icon::kError);
        return false;
    }
    return true;
}

bool Exchange::send(RequestKind kind, std::string_view request) {
    if (!write_request(request)) return false;
    if (kind == RequestKind::kAtv) remove_status();
    if (kind == RequestKind::kCnf) pause(limits_.pause_before_confirm);
    // Watched before the hand-over, so a status written at once still wakes us.
    response_folder_.watch(files_.status.parent_path());
    if (!hand_over()) return false;

    const std::int64_t start = timer_.now();
    for (;;) {
        std::error_code ec;
        if (fs::exists(files_.status, ec)) {
            remove_status();
            exchange_point();
            return true;
        }
        if (timer_.now() - start >= limits_.status_wait) break;
        if (yield_) yield_();
        timer_.idle_watching(response_folder_);
    }
    remove_request();
    tell(kind == RequestKind::kAtv ? "Aviso (ATV)" : "Aviso", "Gerenciador Padrão não está ativo!",
         ui::Icon::kWarning);
    return false;
}

// The copy is made from the bytes read, not from the file again: what was
// judged is what is kept.
void Exchange::keep_copy(const std::string& bytes) {
    if (const int e = platform::replace_file(files_.copy, bytes, platform::Privacy::kPrivate)) {
        tell("TEF: ",
             "Erro (" + std::to_string(e) + ") ao copiar o arquivo " + quoted(files_.response) +
                 " para " + quoted(files_.copy) + ".",
             ui::Icon::kError);
    }
}

platform::ExchangeFile read_response_file(const fs::path& path, Response* response) {
    platform::ExchangeFile read = read_file(path);
    if (read.read()) *response = read_response(read.bytes);
    return read;
}

std::string response_file_error(const fs::path& path, const platform::ExchangeFile& read) {
    if (read.outcome == platform::ExchangeRead::kFailed ||
        read.outcome == platform::ExchangeRead::kMissing)
        return "Erro (" + std::to_string(read.error) + ") ao abrir o arquivo " + quoted(path) + ".";
    return "O arquivo " + quoted(path) + " " + platform::exchange_read_reason(read) +
           " e não é uma resposta do Gerenciador Padrão.";
}

std::optional<Response> Exchange::wait_response(std::string_view identifier, OtherResponse other) {
    response_folder_.watch(files_.response.parent_path());
    const std::int64_t start = timer_.now();
    std::optional<std::string> unfinished;  // a response without its closing line, as last read
    std::int64_t unfinished_since = 0;
    for (;;) {
        const platform::ExchangeFile read = read_file(files_.response);
        if (read.read()) {
            const std::string& bytes = read.bytes;
            Response r = read_response(bytes);
            // A response is judged only once the manager has finished it:
            // a half-written one may not even show its identifier yet.
            if (!r.complete && (!unfinished || bytes != *unfinished)) {
                unfinished = bytes;
                unfinished_since = timer_.now();
            }
            const bool settled =
                r.complete || (unfinished && timer_.now() - unfinished_since >= kResponseSettle);
            if (r.identifier == identifier && settled) {
                keep_copy(bytes);
                if (!r.cut.empty())
                    tell("Aviso",
                         "Resposta do Gerenciador Padrão além dos limites, cortada:" + r.cut,
                         ui::Icon::kWarning);
                exchange_point();
                pause(limits_.pause_after_response);
                return r;
            }
            if (settled && r.identifier != identifier) {
                unfinished.reset();
                const bool stop = other == OtherResponse::kStop;
                tell("Aviso",
                     stop ? "Identificador não confere!" : "Identificação da transação inválida!",
                     ui::Icon::kWarning);
                remove_response();
                if (stop) return std::nullopt;
            }
        } else if (read.outcome == platform::ExchangeRead::kNotRegular ||
                   read.outcome == platform::ExchangeRead::kTooLarge) {
            // Not the manager's doing (a FIFO would hold the program, a huge
            // file its memory): it goes, and the manager's answer may follow.
            tell("Aviso", response_file_error(files_.response, read) + "|O arquivo foi removido.",
                 ui::Icon::kWarning);
            remove_response();
        } else if (read.outcome == platform::ExchangeRead::kFailed && read.error != EACCES) {
            tell("Erro",
                 "Erro (" + std::to_string(read.error) + ") ao abrir o arquivo " +
                     quoted(files_.response) + ".",
                 ui::Icon::kError);
            return std::nullopt;
        }
        if (timer_.now() - start >= limits_.response_wait) break;
        if (yield_) yield_();
        timer_.idle_watching(response_folder_);
    }
    tell("Aviso", "Sem resposta do Gerenciador Padrão por mais de 30 minutos!", ui::Icon::kWarning);
    return std::nullopt;
}

}  // namespace balcora::tef
