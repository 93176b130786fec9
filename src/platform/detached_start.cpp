#include "platform/detached_start.h"

#include "platform/child_report.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace balcora::platform {

namespace {

void close_range_from(int first) {
    long max = sysconf(_SC_OPEN_MAX);
    if (max < 0 || max > 65536) max = 65536;
    for (int fd = first; fd < max; ++fd) close(fd);
}

}  // namespace

std::string start_detached(const std::vector<std::string>& argv,
                           const std::filesystem::path& working_dir) {
    if (argv.empty() || argv.front().empty()) return "nenhum programa informado";
    std::vector<std::string> words = argv;
    std::vector<char*> args;
    for (auto& w : words) args.push_back(w.data());
    args.push_back(nullptr);
    const std::string dir = working_dir.string();

    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) return std::string("pipe: ") + std::strerror(errno);
    pid_t child = fork();
    if (child < 0) {
        int e = errno;
        close(report[0]);
        close(report[1]);
        return std::string("fork: ") + std::strerror(e);
    }
    if (child == 0) {
        // The intermediate child leaves at once, so the program is adopted by
        // init and never lingers as our zombie; only async-signal-safe calls.
        setsid();
        pid_t grandchild = fork();
        if (grandchild != 0) _exit(grandchild < 0 ? 1 : 0);
        int devnull = open("/dev/null", O_RDWR);
        if (devnull >= 0) {
            dup2(devnull, 0);
            dup2(devnull, 1);
            dup2(devnull, 2);
        }
        // Keep the report pipe (it closes itself on exec) and nothing else of ours.
        int keep = report[1];
        if (keep != 3) {
            dup3(keep, 3, O_CLOEXEC);
            keep = 3;
        }
        close_range_from(4);
        int e = 0;
        if (!dir.empty() && chdir(dir.c_str()) != 0) e = errno;
        if (e == 0) {
            execvp(args[0], args.data());
            e = errno;
        }
        ssize_t ignored = write(keep, &e, sizeof e);
        (void)ignored;
        _exit(127);
    }
    close(report[1]);
    const int status = wait_for_child(child);
    const std::optional<int> child_errno = read_child_errno(report[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return "fork: falhou";
    if (child_errno) return argv.front() + ": " + std::strerror(*child_errno);
    return {};
}

std::vector<std::string> split_command_line(std::string_view line) {
    std::vector<std::string> words;
    std::string word;
    bool in_word = false, quoted = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            in_word = true;
        } else if (!quoted && (c == ' ' || c == '\t')) {
            if (in_word) words.push_back(word);
            word.clear();
            in_word = false;
        } else {
            word += c;
            in_word = true;
        }
    }
    if (in_word) words.push_back(word);
    return words;
}

}  // namespace balcora::platform
