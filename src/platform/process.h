#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace balcora::platform {

struct ProcessOptions {
    // System user to run as; empty runs as ourselves. Only root can switch.
    std::string user;
    // Working directory of the child; empty keeps ours, except that a child
    // running as another user starts in "/" (our folder may be closed to it).
    std::filesystem::path working_dir;
    // Extra environment entries, overriding inherited ones.
    std::vector<std::pair<std::string, std::string>> env;
    // Zero waits for the end however long it takes. Otherwise the child and
    // whatever it started are killed once this much time has passed.
    std::chrono::milliseconds timeout{0};
};

struct ProcessResult {
    bool started = false;    // false: fork/exec or the user switch failed
    int exit_code = -1;      // -1 when it did not start or died by a signal
    std::string output;      // stdout and stderr interleaved as written
    bool timed_out = false;  // killed at the end of ProcessOptions::timeout
    bool ok() const { return started && exit_code == 0; }
};

// Runs argv[0] (searched in PATH when it has no slash) with the given words,
// no shell involved, stdin from /dev/null, and waits for it. The output is
// read to its end: a program that leaves a daemon behind must point the
// daemon's output elsewhere (pg_ctl -l), or this waits for the daemon
// (unless a timeout is given).
ProcessResult run_program(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// Replaces the current process with the program. Returns only on failure,
// with the reason.
std::string exec_program(const std::vector<std::string>& argv, const ProcessOptions& options = {});

// Whether the system user may access the path with the access() mode
// (R_OK, W_OK, X_OK), judged by the kernel as that user. Needs root to ask
// about another user; asking about ourselves is a plain access().
bool user_can_access(const std::string& user, const std::filesystem::path& path, int mode);

// uid and gid of a system user; false when there is no such user.
bool lookup_user(const std::string& user, unsigned* uid, unsigned* gid);

// The last lines of a text, for error messages that quote a log or output.
std::string tail_lines(const std::string& text, int lines);

}  // namespace balcora::platform
