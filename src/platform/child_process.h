#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace balcora::platform {

// A program running beside us while the caller goes on with its own work
// (a window that keeps drawing): started, then polled without blocking until
// it ends. Its output (stdout and stderr interleaved) is gathered as it
// comes. Destroying it while the program still runs kills the program and
// whatever it started, and reaps it.
class ChildProcess {
  public:
    struct Options {
        std::filesystem::path working_dir;
        // Entries added to (or replacing) our environment.
        std::vector<std::pair<std::string, std::string>> env;
    };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts argv[0] (searched in PATH when it has no slash), stdin from
    // /dev/null. False with the reason in *error when it could not start.
    bool start(const std::vector<std::string>& argv, const Options& options, std::string* error);

    // Reads what the program wrote since the last call and tells whether it
    // still runs; never waits.
    bool poll();
    // Kills the program and its children; poll() then reports the end.
    void kill();

    // After poll() returned false: the exit code, or nothing when the program
    // died by a signal.
    std::optional<int> exit_code() const { return exit_code_; }
    int signal() const { return signal_; }
    const std::string& output() const { return output_; }

  private:
    void drain();

    pid_t pid_ = -1;
    int out_ = -1;
    bool running_ = false;
    std::optional<int> exit_code_;
    int signal_ = 0;
    std::string output_;
};

}  // namespace balcora::platform
