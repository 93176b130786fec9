#include "cluster/embedded_server.h"

#include "cluster/file_text.h"
#include "cluster/server_port.h"
#include "platform/ini_file.h"
#include "platform/process.h"

// Starting and stopping the server, and the whole of a first start.
namespace balcora::db {

namespace fs = std::filesystem;

namespace {

constexpr int kStartRetries = 5;
constexpr const char* kStartupLog = "startup.log";

}  // namespace

std::string EmbeddedServer::log_tail() const {
    std::string out;
    std::error_code ec;
    const fs::path dir = layout_.data_dir / "log";
    fs::path newest;
    fs::file_time_type newest_time;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        if (e.path().filename() == kStartupLog) continue;
        auto t = e.last_write_time(ec);
        if (newest.empty() || t > newest_time) {
            newest = e.path();
            newest_time = t;
        }
    }
    for (const fs::path& f : {dir / kStartupLog, newest}) {
        if (f.empty()) continue;
        std::string text = platform::tail_lines(read_file(f), 8);
        if (!text.empty()) out += "\n" + f.string() + ":\n" + text;
    }
    return out;
}

bool EmbeddedServer::start_once(std::string* error) {
    if (!prepare_folders(error) || !configure(error)) return false;
    std::string out;
    const std::string log = (layout_.data_dir / "log" / kStartupLog).string();
    if (run_tool("pg_ctl",
                 {"start", "-D", layout_.data_dir.string(), "-l", log, "-w", "-t", "60", "-s"},
                 &out))
        return true;
    *error =
        "Falha ao iniciar o servidor PostgreSQL:\n" + platform::tail_lines(out, 8) + log_tail();
    return false;
}

// "Porta" as written, for messages about a damaged one.
static std::string port_text(const platform::DataRoot& root) {
    return platform::ini_read(root.ini_file(kSettingsFile), kSettingsSection, "Porta");
}

// A running server stays on its port: stopping it could cut a sale in the
// middle, and a damaged setting is no reason to. The setting follows it.
bool EmbeddedServer::keep_running_server(std::string* error, const Progress& say) {
    const int running = running_port();
    const fs::path ini = root_.ini_file(kSettingsFile);
    if (running > 0 && running != port_) {
        const std::string found = "Porta \"" + port_text(root_) + "\" em " + ini.string() +
                                  (port_ > 0 ? "" : " inválida");
        const std::string at = "o servidor já está em execução na porta " + std::to_string(running);
        port_ = running;
        if (!complete_local_settings(root_, port_)) {
            *error = found + " e " + at + ": Pasta não gravável: " + ini.parent_path().string();
            return false;
        }
        notice_ = found + ", mas " + at + ": servidor mantido nessa porta e " + ini.string() +
                  " corrigido. Para usar outra porta, pare o servidor (balcora db stop), altere "
                  "Porta e inicie-o de novo.";
        say(notice_);
    }
    bool changed = false;
    if (!configure(error, &changed)) return false;
    if (changed) {
        std::string out;
        if (!run_tool("pg_ctl", {"reload", "-D", layout_.data_dir.string(), "-s"}, &out)) {
            *error =
                "Falha ao recarregar a configuração do servidor:\n" + platform::tail_lines(out, 8);
            return false;
        }
        say("Configuração do servidor atualizada");
    }
    return true;
}

bool EmbeddedServer::bring_up(std::string* error, const Progress& say) {
    // A caller we waited for may have chosen and saved the port meanwhile.
    if (port_ <= 0) port_ = read_port(root_);
    if (is_running()) {
        if (!keep_running_server(error, say)) return false;
        if (listening()) {
            say("Servidor já em execução na porta " + std::to_string(port_));
            return true;
        }
        say("Servidor em execução sem responder em " + layout_.socket_dir.string() +
            ": reiniciando");
        if (!stop_locked(error)) return false;
    }
    const fs::path ini = root_.ini_file(kSettingsFile);
    bool port_chosen_now = false;
    if (port_ <= 0) {
        const std::string was = port_text(root_);
        port_ = choose_port();
        if (port_ == 0) {
            *error = "Nenhuma porta livre para o servidor PostgreSQL";
            return false;
        }
        port_chosen_now = true;
        if (!complete_local_settings(root_, port_)) {
            *error = "Pasta não gravável: " + ini.parent_path().string();
            return false;
        }
        const std::string text =
            (was.empty() ? "Porta " : "Porta \"" + was + "\" inválida; porta ") +
            std::to_string(port_) + " gravada em " + ini.string();
        if (!was.empty()) notice_ = text;
        say(text);
    }
    for (int attempt = 1;; ++attempt) {
        if (start_once(error)) break;
        if (port_is_free(port_)) return false;
        if (!port_chosen_now) {
            *error += "\nA porta " + std::to_string(port_) +
                      " está em uso por outro programa: altere \"Porta\" em " + ini.string();
            return false;
        }
        // Another program took the port between our check and the start.
        if (attempt >= kStartRetries) return false;
        int next = first_free_port_from(port_ + 1, port_is_free);
        if (next == 0) return false;
        say("Porta " + std::to_string(port_) + " ocupada; tentando " + std::to_string(next));
        port_ = next;
        if (!complete_local_settings(root_, port_)) {
            *error = "Pasta não gravável: " + ini.parent_path().string();
            return false;
        }
    }
    say("Servidor iniciado na porta " + std::to_string(port_));
    return true;
}

bool EmbeddedServer::start(std::string* error, const Progress& progress) {
    platform::FileLock lock;
    if (!lock_server(root_, &lock, error)) return false;
    if (!cluster_exists()) {
        *error = "Nenhum cluster em " + layout_.data_dir.string() + ": execute balcora db init";
        return false;
    }
    return bring_up(error, [&](const std::string& text) {
        if (progress) progress(text);
    });
}

bool EmbeddedServer::stop(std::string* error) {
    platform::FileLock lock;
    if (!lock_server(root_, &lock, error)) return false;
    return stop_locked(error);
}

bool EmbeddedServer::stop_locked(std::string* error) {
    if (!is_running()) return true;
    std::string out;
    if (run_tool("pg_ctl",
                 {"stop", "-D", layout_.data_dir.string(), "-m", "fast", "-w", "-t", "60", "-s"},
                 &out))
        return true;
    *error = "Falha ao parar o servidor PostgreSQL:\n" + platform::tail_lines(out, 8);
    return false;
}

bool EmbeddedServer::prepare(std::string* error, const Progress& progress) {
    auto say = [&](const std::string& text) {
        if (progress) progress(text);
    };
    platform::FileLock lock;
    if (!lock_server(root_, &lock, error)) return false;
    if (!cluster_exists()) {
        if (!create_cluster(error)) return false;
        say("Cluster criado em " + layout_.data_dir.string());
    }
    if (!bring_up(error, say)) return false;
    if (!complete_local_settings(root_, port_)) {
        *error = "Pasta não gravável: " + root_.ini_dir().string();
        return false;
    }
    return ensure_role_and_database(error, say);
}

}  // namespace balcora::db
