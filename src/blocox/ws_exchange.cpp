#include "blocox/ws_exchange.h"

#include "db/settings.h"
#include "platform/detached_start.h"
#include "platform/file_digest.h"
#include "platform/ini_file.h"
#include "platform/process.h"
#include "ui/environment.h"
#include "util/text.h"

#include <future>
#include <thread>

namespace balcora::blocox {

namespace {

constexpr std::string_view kProgramsSection = "Programas";
constexpr std::string_view kClientExecutable = "balcora-blocox-cliente";

// The client built beside the running program, else whatever PATH finds.
std::string default_client() {
    const std::filesystem::path self = platform::own_executable();
    std::error_code ec;
    for (const std::filesystem::path& beside :
         {self.parent_path() / kClientExecutable,
          self.parent_path().parent_path() / "tools" / "blocox_client" / kClientExecutable}) {
        if (!self.empty() && std::filesystem::is_regular_file(beside, ec)) return beside.string();
    }
    return std::string(kClientExecutable);
}

// The file also holds the certificate's password ("Config"): it stays the
// shop's account's alone after every write.
bool write_request(const std::filesystem::path& ini, const ClientRequest& request) {
    auto put = [&ini](std::string_view section, std::string_view key, std::string_view value) {
        return platform::ini_write(ini, section, key, value, platform::Privacy::kPrivate);
    };
    return put("Envio", "AcaoEnvio", request.action) &&
           put("Envio", "Arquivo", request.file.string()) &&
           put("Envio", "Recibo", request.receipt) && put("Retorno", "Status", "null") &&
           put("Retorno", "Arquivo", "null") && put("Retorno", "ArquivoBaixado", "null");
}

}  // namespace

std::vector<std::string> client_command() {
    const std::string line =
        util::trim(read_ini(kProgramsSection, kClientProgramKey, "", "balcora.ini"));
    if (!line.empty()) return platform::split_command_line(line);
    // Our own client is told where everything is rather than left to guess.
    return {default_client(), "--root", data_root().root().string(), "--ini",
            data_root().map(kExchangeFile).string()};
}

std::chrono::seconds client_timeout() {
    const long long s = read_ini_number(kProgramsSection, kClientTimeoutKey,
                                        kDefaultClientTimeoutSeconds, "balcora.ini");
    return std::chrono::seconds(s > 0 ? s : kDefaultClientTimeoutSeconds);
}

ClientResult run_client(const ClientRequest& request, const std::function<void()>& wait) {
    ClientResult out;
    const std::filesystem::path ini = data_root().map(kExchangeFile);
    std::error_code ec;
    std::filesystem::create_directories(ini.parent_path(), ec);
    if (!write_request(ini, request)) {
        out.failure = "Erro ao gravar o arquivo " + ini.string();
        return out;
    }

    const std::vector<std::string> argv = client_command();
    platform::ProcessOptions options;
    options.working_dir = data_root().program_dir();
    options.timeout = client_timeout();
    options.env = {{"BALCORA_ROOT", data_root().root().string()}};
    // The client runs apart so the window keeps answering meanwhile; it
    // touches no database and no global of ours.
    auto running = std::async(std::launch::async,
                              [&argv, &options] { return platform::run_program(argv, options); });
    while (running.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
        if (wait) wait();
    const platform::ProcessResult r = running.get();

    if (!r.started) {
        out.failure = "Não foi possível executar o cliente do Bloco X " +
                      (argv.empty() ? std::string() : argv.front()) + ": " +
                      platform::tail_lines(r.output, 2);
        return out;
    }
    if (r.timed_out) {
        out.failure = "O cliente do Bloco X não terminou em " +
                      std::to_string(options.timeout.count() / 1000) + " s e foi interrompido.";
        return out;
    }
    out.answered = util::trim(platform::ini_read(ini, "Retorno", "Status")) == "Ok";
    if (!out.answered) {
        // Our client says why no answer came; another one may not.
        out.failure = util::trim(platform::ini_read(ini, "Retorno", "Mensagem"));
        return out;
    }
    const std::string answer = util::trim(platform::ini_read(ini, "Retorno", "Arquivo"));
    // A client of the old installation names the answer the Windows way.
    out.answer = answer.find(":\\") == 1 ? data_root().map(answer) : std::filesystem::path(answer);
    const std::string brought = util::trim(platform::ini_read(ini, "Retorno", "ArquivoBaixado"));
    if (!brought.empty() && brought != "null") out.downloaded = brought;
    return out;
}

}  // namespace balcora::blocox
