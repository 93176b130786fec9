#pragma once

#include "tef/tef_exchange.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

namespace balcora::test {

// The card-payment manager program (balcora-gerenciador) on a data root,
// with a rules file the test rewrites as it goes (the manager reads it before
// every request). Stopped when it goes.
class CardManagerProcess {
  public:
    explicit CardManagerProcess(std::filesystem::path root) : root_(std::move(root)) {}
    ~CardManagerProcess() { stop(); }
    CardManagerProcess(const CardManagerProcess&) = delete;
    CardManagerProcess& operator=(const CardManagerProcess&) = delete;

    void rules(const std::string& lines) {
        std::ofstream(rules_file()) << "[Gerenciador]\n" << lines;
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
        int status = 0;
        waitpid(pid_, &status, 0);
        pid_ = -1;
    }
    // The journal's lines: "date time;EVENT;NSU=...;TIPO=...;...".
    std::string journal() const {
        std::ifstream in(root_ / "tef_dial" / "diario.txt");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    // How many journal lines carry every fragment.
    int journal_count(std::initializer_list<std::string> fragments) const {
        std::istringstream in(journal());
        int n = 0;
        for (std::string line; std::getline(in, line);) {
            bool all = true;
            for (const auto& f : fragments) all = all && line.find(f) != std::string::npos;
            n += all;
        }
        return n;
    }

  private:
    std::filesystem::path rules_file() const { return root_ / "regras.ini"; }
    std::filesystem::path root_;
    pid_t pid_ = -1;
};

// Real time, sped up ten times, so the exchange's fixed pauses (10 s after a
// response, 2 s after an undo) pass quickly while the manager still gets real
// milliseconds to answer.
class QuickTimer final : public tef::Timer {
  public:
    std::int64_t now() override { return now_; }
    std::int64_t time_of_day() override { return system_.time_of_day(); }
    void idle() override {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        now_ += 5;
    }

  private:
    tef::SystemTimer system_;
    std::int64_t now_ = 0;
};

}  // namespace balcora::test
