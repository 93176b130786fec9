#include "tef/tef_exchange.h"

#include "db/field_writer.h"
#include "tef/tef_mode.h"
#include "ui/environment.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <system_error>
#include <thread>

namespace balcora::tef {

namespace fs = std::filesystem;

namespace {

// A response is a few hundred lines at most; anything past this is not read.
constexpr std::size_t kMaxResponseBytes = 1 << 20;

// The printer's TEF mode is left before the operator is asked to read
// anything, so the printer is free while the message waits.
void tell(std::string_view title, const std::string& text, ui::Icon icon) {
    DESATIVAMODOTEF();
    prompt().message(title, text, icon);
}

std::string quoted(const fs::path& p) {
    return "\"" + p.string() + "\"";
}

class Fd {
  public:
    explicit Fd(int fd) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// Reads the whole file (up to the limit); the errno of the failure otherwise.
int read_file(const fs::path& path, std::string* out) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return errno;
    out->clear();
    char buf[8192];
    while (out->size() < kMaxResponseBytes) {
        const ssize_t n = ::read(fd.get(), buf, sizeof buf);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        if (n == 0) break;
        out->append(buf, static_cast<std::size_t>(n));
    }
    if (out->size() > kMaxResponseBytes) out->resize(kMaxResponseBytes);
    return 0;
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
    db::set_output_file_name(files_.request_tmp.string());
    if (const int e = db::create_output_file()) {
        tell("erro",
             "Erro (" + std::to_string(e) + ") ao criar o arquivo " + files_.request_tmp.string(),
             ui::Icon::kError);
        return false;
    }
    GRAVACAMPO(request, -1);
    const int closed = db::close_output_file();
    // The field writer has shown a failed write already.
    if (closed != 0 || db::output_file_failed()) {
        remove_file(files_.request_tmp);
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

int read_response_file(const fs::path& path, Response* response) {
    std::string bytes;
    if (const int e = read_file(path, &bytes)) return e;
    *response = read_response(bytes);
    return 0;
}

std::optional<Response> Exchange::wait_response(std::string_view identifier) {
    response_folder_.watch(files_.response.parent_path());
    const std::int64_t start = timer_.now();
    std::optional<std::string> unfinished;  // a response without its closing line, as last read
    std::int64_t unfinished_since = 0;
    for (;;) {
        std::string bytes;
        const int e = read_file(files_.response, &bytes);
        if (e == 0) {
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
                std::error_code ec;
                fs::copy_file(files_.response, files_.copy, fs::copy_options::overwrite_existing,
                              ec);
                if (ec) {
                    tell("TEF: ",
                         "Erro (" + std::to_string(ec.value()) + ") ao copiar o arquivo " +
                             quoted(files_.response) + " para " + quoted(files_.copy) + ".",
                         ui::Icon::kError);
                }
                exchange_point();
                pause(limits_.pause_after_response);
                return r;
            }
            if (settled && r.identifier != identifier) {
                unfinished.reset();
                tell("Aviso", "Identificação da transação inválida!", ui::Icon::kWarning);
                remove_response();
            }
        } else if (e != ENOENT && e != EACCES) {
            tell("Erro",
                 "Erro (" + std::to_string(e) + ") ao abrir o arquivo " + quoted(files_.response) +
                     ".",
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
