#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace balcora::test {

// The card-payment manager program running on a data root, with a rules
// file the test may rewrite (the manager reads it before every request).
class CardManagerProcess {
  public:
    explicit CardManagerProcess(std::filesystem::path root) : root_(std::move(root)) {}
    ~CardManagerProcess() { stop(); }
    CardManagerProcess(const CardManagerProcess&) = delete;
    CardManagerProcess& operator=(const CardManagerProcess&) = delete;

    void rules(const std::string& lines) {
        std::ofstream(rules_file()) << "[Gerenciador]\nrede=REDE SIMULADA\n" << lines;
    }
    bool start() {
        if (!std::filesystem::exists(rules_file())) rules("");
        pid_ = fork();
        if (pid_ == 0) {
            execl(BALCORA_CARD_MANAGER_PATH, BALCORA_CARD_MANAGER_PATH, "--root", root_.c_str(),
                  "--regras", rules_file().c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        return pid_ > 0;
    }
    void stop() {
        if (pid_ <= 0) return;
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    // The journal of approved, confirmed and undone transactions.
    std::string journal() const {
        std::ifstream in(root_ / "tef_dial" / "diario.txt");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    // The last event of the journal for an NSU ("APROVADA", "CONFIRMADA",
    // "DESFEITA", ...); empty when there is none.
    std::string last_event(const std::string& nsu) const {
        std::istringstream lines(journal());
        std::string last;
        for (std::string line; std::getline(lines, line);) {
            if ((line + ";").find(";NSU=" + nsu + ";") == std::string::npos) continue;
            const auto from = line.find(';') + 1;
            last = line.substr(from, line.find(';', from) - from);
        }
        return last;
    }

  private:
    std::filesystem::path rules_file() const { return root_ / "regras.ini"; }

    std::filesystem::path root_;
    pid_t pid_ = -1;
};

}  // namespace balcora::test
