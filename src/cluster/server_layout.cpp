#include "cluster/server_layout.h"

#include "platform/process.h"

#include <openssl/evp.h>
#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace balcora::db {

namespace fs = std::filesystem;

namespace {

fs::path own_home() {
    struct passwd pw_buf;
    struct passwd* pw = nullptr;
    std::vector<char> buf(16384);
    if (getpwuid_r(geteuid(), &pw_buf, buf.data(), buf.size(), &pw) != 0 || !pw || !pw->pw_dir)
        return "/";
    return pw->pw_dir;
}

}  // namespace

std::string root_tag(const fs::path& root) {
    fs::path normal = fs::absolute(root).lexically_normal();
    if (normal.has_relative_path() && normal.filename().empty()) normal = normal.parent_path();
    std::string text = normal.string();
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    EVP_Digest(text.data(), text.size(), digest, &size, EVP_md5(), nullptr);
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (unsigned i = 0; i < 6 && i < size; ++i) {
        out += hex[digest[i] >> 4];
        out += hex[digest[i] & 15];
    }
    return out;
}

// The cluster sits beside the program's data so that one root carries
// everything, with two exceptions:
// - PostgreSQL refuses to run as root, so a root-run program hands the server
//   to the postgres user; when that user cannot get into the root (a root's
//   home is closed to others) the cluster moves to /var/lib/balcora, and a
//   symlink in the root still shows where it went.
// - A unix socket's path is limited to about 100 characters, so a deep root
//   gets its socket folder in a place no other account can create names in:
//   /run/balcora for root, the account's own home otherwise (never /tmp,
//   where anyone could take the name first). The worst-case port length is
//   assumed so a port change never moves it.
ServerLayout plan_layout(const fs::path& root, const LayoutFacts& facts) {
    ServerLayout l;
    const std::string tag = root_tag(root);
    if (facts.running_as_root) l.server_user = std::string(kServerSystemUser);
    if (facts.running_as_root && !facts.server_user_reaches_root) {
        fs::path base = fs::path("/var/lib/balcora") / tag;
        l.data_dir = base / "pgdata";
        l.socket_dir = base / "run";
        l.link = root / "pgdata";
    } else {
        l.data_dir = root / "pgdata";
        l.socket_dir = root / "run";
    }
    if ((l.socket_dir / ".s.PGSQL.65535").string().size() > kMaxSocketPath)
        l.socket_dir = facts.running_as_root ? fs::path("/run/balcora") / tag
                                             : facts.home / ".balcora" / ("run-" + tag);
    return l;
}

LayoutFacts current_layout_facts(const fs::path& root) {
    LayoutFacts f;
    f.uid = geteuid();
    f.running_as_root = f.uid == 0;
    f.home = own_home();
    if (f.running_as_root) {
        // A root not made yet will be made by us and is as open as the
        // folder it goes into.
        fs::path probe = root;
        std::error_code ec;
        while (!fs::exists(probe, ec) && probe.has_relative_path()) probe = probe.parent_path();
        f.server_user_reaches_root =
            platform::user_can_access(std::string(kServerSystemUser), probe, X_OK);
    }
    return f;
}

}  // namespace balcora::db
