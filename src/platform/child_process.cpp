#include "platform/child_process.h"

#include "platform/child_report.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <map>

extern char** environ;

namespace balcora::platform {

namespace {

std::vector<std::string> child_environment(const ChildProcess::Options& options) {
    std::map<std::string, std::string> env;
    for (char** e = environ; e && *e; ++e) {
        std::string entry = *e;
        auto eq = entry.find('=');
        if (eq != std::string::npos) env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    for (const auto& [k, v] : options.env) env[k] = v;
    std::vector<std::string> out;
    for (const auto& [k, v] : env) out.push_back(k + "=" + v);
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& words) {
    std::vector<char*> p;
    for (auto& w : words) p.push_back(w.data());
    p.push_back(nullptr);
    return p;
}

void write_errno(int fd, int e) {
    while (write(fd, &e, sizeof e) < 0 && errno == EINTR) {
    }
}

}  // namespace

ChildProcess::~ChildProcess() {
    if (running_) {
        kill();
        const int status = wait_for_child(pid_);
        (void)status;
    }
    if (out_ >= 0) close(out_);
}

bool ChildProcess::start(const std::vector<std::string>& argv, const Options& options,
                         std::string* error) {
    if (argv.empty() || running_) {
        *error = "nenhum programa";
        return false;
    }
    std::vector<std::string> args = argv, env = child_environment(options);
    std::vector<char*> argp = pointers(args), envp = pointers(env);
    const std::string dir = options.working_dir.string();

    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        *error = std::string("pipe: ") + std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return false;
    }
    const pid_t pid = fork();
    if (pid < 0) {
        *error = std::string("fork: ") + std::strerror(errno);
        for (int fd : {out[0], out[1], err[0], err[1]}) close(fd);
        return false;
    }
    if (pid == 0) {
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        // Its own group, so a kill reaches what it started too.
        setpgid(0, 0);
        if (!dir.empty() && chdir(dir.c_str()) != 0) {
            write_errno(err[1], errno);
            _exit(127);
        }
        execvpe(argp[0], argp.data(), envp.data());
        write_errno(err[1], errno);
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    setpgid(pid, pid);
    if (std::optional<int> child_errno = read_child_errno(err[0])) {
        close(out[0]);
        wait_for_child(pid);
        *error = argv[0] + ": " + std::strerror(*child_errno);
        return false;
    }
    fcntl(out[0], F_SETFL, fcntl(out[0], F_GETFL) | O_NONBLOCK);
    pid_ = pid;
    out_ = out[0];
    running_ = true;
    exit_code_.reset();
    signal_ = 0;
    output_.clear();
    return true;
}

void ChildProcess::drain() {
    if (out_ < 0) return;
    char buf[4096];
    for (;;) {
        ssize_t n = read(out_, buf, sizeof buf);
        if (n > 0) {
            output_.append(buf, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        return;
    }
}

bool ChildProcess::poll() {
    if (!running_) return false;
    drain();
    int status = 0;
    pid_t r;
    do {
        r = waitpid(pid_, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return true;
    running_ = false;
    // What it wrote just before it ended (or a child it left) is read now.
    drain();
    if (r == pid_ && WIFEXITED(status)) exit_code_ = WEXITSTATUS(status);
    if (r == pid_ && WIFSIGNALED(status)) signal_ = WTERMSIG(status);
    return false;
}

void ChildProcess::kill() {
    if (running_) ::kill(-pid_, SIGKILL);
}

}  // namespace balcora::platform
