#include "platform/process.h"

#include "platform/child_report.h"

#include <fcntl.h>
#include <grp.h>
#include <linux/close_range.h>
#include <poll.h>
#include <pwd.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <map>

extern char** environ;

namespace balcora::platform {

namespace {

// The identity a child takes, looked up before fork: after fork only
// async-signal-safe calls are allowed and getpwnam is not one.
struct Identity {
    bool switch_user = false;
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
    std::string home;
    std::string name;
};

bool resolve_identity(const std::string& user, Identity* id, std::string* error) {
    if (user.empty()) return true;
    struct passwd pw_buf;
    struct passwd* pw = nullptr;
    std::vector<char> buf(16384);
    if (getpwnam_r(user.c_str(), &pw_buf, buf.data(), buf.size(), &pw) != 0 || !pw) {
        *error = "usuário do sistema inexistente: " + user;
        return false;
    }
    if (pw->pw_uid == geteuid()) return true;
    if (geteuid() != 0) {
        *error = "só o root pode executar programas como " + user;
        return false;
    }
    id->switch_user = true;
    id->uid = pw->pw_uid;
    id->gid = pw->pw_gid;
    id->home = pw->pw_dir ? pw->pw_dir : "/";
    id->name = user;
    int n = 64;
    id->groups.resize(n);
    if (getgrouplist(user.c_str(), id->gid, id->groups.data(), &n) < 0) {
        id->groups.resize(n);
        getgrouplist(user.c_str(), id->gid, id->groups.data(), &n);
    }
    id->groups.resize(n);
    return true;
}

// Environment strings for the child: ours, with HOME/USER/LOGNAME of the
// target user and the caller's extra entries on top.
std::vector<std::string> build_environment(const Identity& id, const ProcessOptions& options) {
    std::map<std::string, std::string> env;
    for (char** e = environ; e && *e; ++e) {
        std::string entry = *e;
        auto eq = entry.find('=');
        if (eq == std::string::npos) continue;
        env[entry.substr(0, eq)] = entry.substr(eq + 1);
    }
    if (id.switch_user) {
        env["HOME"] = id.home;
        env["USER"] = id.name;
        env["LOGNAME"] = id.name;
    }
    for (const auto& [k, v] : options.env) env[k] = v;
    std::vector<std::string> out;
    out.reserve(env.size());
    for (const auto& [k, v] : env) out.push_back(k + "=" + v);
    return out;
}

std::vector<char*> pointers(std::vector<std::string>& words) {
    std::vector<char*> p;
    p.reserve(words.size() + 1);
    for (auto& w : words) p.push_back(w.data());
    p.push_back(nullptr);
    return p;
}

// Keeps descriptors the parent opened (database sockets, log files) out of
// the child and of anything it leaves running, such as a server.
void mark_inherited_descriptors_cloexec() {
    if (syscall(SYS_close_range, 3U, ~0U, CLOSE_RANGE_CLOEXEC) == 0) return;
    long max = sysconf(_SC_OPEN_MAX);
    if (max < 0 || max > 65536) max = 65536;
    for (int fd = 3; fd < max; ++fd) {
        int flags = fcntl(fd, F_GETFD);
        if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
    }
}

// Only async-signal-safe calls: runs in the child of fork.
int become(const Identity& id, const char* working_dir) {
    if (id.switch_user) {
        if (setgroups(id.groups.size(), id.groups.data()) != 0) return errno;
        if (setgid(id.gid) != 0) return errno;
        if (setuid(id.uid) != 0) return errno;
    }
    if (working_dir && chdir(working_dir) != 0) return errno;
    return 0;
}

void write_all(int fd, const void* data, size_t size) {
    const char* p = static_cast<const char*>(data);
    while (size > 0) {
        ssize_t n = write(fd, p, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        p += n;
        size -= static_cast<size_t>(n);
    }
}

const char* child_working_dir(const Identity& id, const ProcessOptions& options,
                              std::string* storage) {
    if (!options.working_dir.empty()) {
        *storage = options.working_dir.string();
        return storage->c_str();
    }
    return id.switch_user ? "/" : nullptr;
}

// Reads the child's output to its end; false when the timeout (if any)
// ran out first.
bool read_output(int fd, std::chrono::milliseconds timeout, std::string* output) {
    using Clock = std::chrono::steady_clock;
    const bool bounded = timeout.count() > 0;
    const Clock::time_point deadline = Clock::now() + timeout;
    char buf[4096];
    for (;;) {
        if (bounded) {
            auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            if (left.count() <= 0) return false;
            pollfd p{fd, POLLIN, 0};
            int r = poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 60000)));
            if (r < 0 && errno != EINTR) return true;
            if (r <= 0) continue;
        }
        ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return true;
        output->append(buf, static_cast<size_t>(n));
    }
}

}  // namespace

ProcessResult run_program(const std::vector<std::string>& argv, const ProcessOptions& options) {
    ProcessResult result;
    if (argv.empty()) return result;
    Identity id;
    if (!resolve_identity(options.user, &id, &result.output)) return result;
    std::vector<std::string> args = argv;
    std::vector<std::string> env = build_environment(id, options);
    std::vector<char*> argp = pointers(args);
    std::vector<char*> envp = pointers(env);
    std::string dir_storage;
    const char* dir = child_working_dir(id, options, &dir_storage);
    const bool bounded = options.timeout.count() > 0;

    int out[2];
    int err[2];
    if (pipe2(out, O_CLOEXEC) != 0) {
        result.output = std::string("pipe: ") + std::strerror(errno);
        return result;
    }
    if (pipe2(err, O_CLOEXEC) != 0) {
        result.output = std::string("pipe: ") + std::strerror(errno);
        close(out[0]);
        close(out[1]);
        return result;
    }
    pid_t pid = fork();
    if (pid < 0) {
        result.output = std::string("fork: ") + std::strerror(errno);
        for (int fd : {out[0], out[1], err[0], err[1]}) close(fd);
        return result;
    }
    if (pid == 0) {
        int devnull = open("/dev/null", O_RDONLY);
        if (devnull >= 0) dup2(devnull, 0);
        dup2(out[1], 1);
        dup2(out[1], 2);
        // Its own process group, so a timeout also reaches what it started.
        if (bounded) setpgid(0, 0);
        mark_inherited_descriptors_cloexec();
        int e = become(id, dir);
        if (e == 0) {
            execvpe(argp[0], argp.data(), envp.data());
            e = errno;
        }
        write_all(err[1], &e, sizeof e);
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (bounded) setpgid(pid, pid);  // both sides, so no kill can miss it
    result.timed_out = !read_output(out[0], options.timeout, &result.output);
    close(out[0]);
    if (result.timed_out) kill(-pid, SIGKILL);
    const std::optional<int> child_errno = read_child_errno(err[0]);
    const int status = wait_for_child(pid);
    if (child_errno) {
        result.output += argv[0] + ": " + std::strerror(*child_errno);
        return result;
    }
    result.started = true;
    if (result.timed_out) {
        result.output += "\nTempo esgotado: o programa foi interrompido.";
        return result;
    }
    if (WIFEXITED(status)) result.exit_code = WEXITSTATUS(status);
    return result;
}

std::string exec_program(const std::vector<std::string>& argv, const ProcessOptions& options) {
    if (argv.empty()) return "nenhum programa";
    Identity id;
    std::string error;
    if (!resolve_identity(options.user, &id, &error)) return error;
    std::vector<std::string> args = argv;
    std::vector<std::string> env = build_environment(id, options);
    std::vector<char*> argp = pointers(args);
    std::vector<char*> envp = pointers(env);
    std::string dir_storage;
    if (int e = become(id, child_working_dir(id, options, &dir_storage)); e != 0)
        return std::strerror(e);
    execvpe(argp[0], argp.data(), envp.data());
    return argv[0] + ": " + std::strerror(errno);
}

bool user_can_access(const std::string& user, const std::filesystem::path& path, int mode) {
    Identity id;
    std::string error;
    if (!resolve_identity(user, &id, &error)) return false;
    std::string p = path.string();
    if (!id.switch_user) return access(p.c_str(), mode) == 0;
    pid_t pid = fork();
    if (pid < 0) return false;
    if (pid == 0) {
        if (become(id, nullptr) != 0) _exit(2);
        _exit(access(p.c_str(), mode) == 0 ? 0 : 1);
    }
    const int status = wait_for_child(pid);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool lookup_user(const std::string& user, unsigned* uid, unsigned* gid) {
    struct passwd pw_buf;
    struct passwd* pw = nullptr;
    std::vector<char> buf(16384);
    if (getpwnam_r(user.c_str(), &pw_buf, buf.data(), buf.size(), &pw) != 0 || !pw) return false;
    if (uid) *uid = pw->pw_uid;
    if (gid) *gid = pw->pw_gid;
    return true;
}

std::string tail_lines(const std::string& text, int lines) {
    std::string t = text;
    while (!t.empty() && (t.back() == '\n' || t.back() == '\r')) t.pop_back();
    size_t pos = t.size();
    for (int i = 0; i < lines; ++i) {
        size_t nl = t.rfind('\n', pos == 0 ? 0 : pos - 1);
        if (nl == std::string::npos || pos == 0) return t;
        pos = nl;
    }
    return t.substr(pos + 1);
}

}  // namespace balcora::platform
