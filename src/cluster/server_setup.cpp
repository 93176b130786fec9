#include "cluster/embedded_server.h"

#include "cluster/file_text.h"
#include "cluster/server_config.h"
#include "cluster/server_conninfo.h"
#include "platform/process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>

// Making the cluster: its folders, initdb and the configuration files.
namespace balcora::db {

namespace fs = std::filesystem;

bool EmbeddedServer::write_cluster_file(const fs::path& file, const std::string& text,
                                        std::string* error) const {
    fs::path tmp = file;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        out.close();
        if (!out) {
            *error = "Não foi possível gravar " + file.string();
            return false;
        }
    }
    unsigned uid = 0, gid = 0;
    if (!layout_.server_user.empty() && platform::lookup_user(layout_.server_user, &uid, &gid))
        if (chown(tmp.c_str(), uid, gid) != 0) {
            *error = "Não foi possível passar " + file.string() + " a " + layout_.server_user;
            return false;
        }
    chmod(tmp.c_str(), 0600);
    std::error_code ec;
    fs::rename(tmp, file, ec);
    if (ec) {
        *error = "Não foi possível gravar " + file.string() + ": " + ec.message();
        return false;
    }
    return true;
}

// Creates a folder the server owns, or checks one already there. Shared
// places such as /tmp could hold a folder someone else planted for us.
static bool make_server_dir(const fs::path& dir, mode_t mode, const std::string& user,
                            std::string* error) {
    unsigned uid = geteuid(), gid = getegid();
    if (!user.empty() && !platform::lookup_user(user, &uid, &gid)) {
        *error = "Usuário do sistema \"" + user + "\" não existe (pacote postgresql instalado?)";
        return false;
    }
    std::error_code ec;
    fs::create_directories(dir.parent_path(), ec);
    if (mkdir(dir.c_str(), mode) == 0) {
        if (chown(dir.c_str(), uid, gid) != 0 || chmod(dir.c_str(), mode) != 0) {
            *error = "Não foi possível ajustar o dono de " + dir.string();
            return false;
        }
        return true;
    }
    struct stat st;
    if (lstat(dir.c_str(), &st) != 0) {
        *error = "Não foi possível criar " + dir.string();
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        *error = dir.string() + " existe e não é uma pasta";
        return false;
    }
    if (st.st_uid != uid) {
        *error = "A pasta " + dir.string() + " pertence a outro usuário (esperado: " +
                 (user.empty() ? std::string("uid ") + std::to_string(uid) : user) + ")";
        return false;
    }
    if ((st.st_mode & 07777) != mode) chmod(dir.c_str(), mode);
    return true;
}

bool EmbeddedServer::prepare_folders(std::string* error) {
    std::error_code ec;
    if (!layout_.link.empty()) {
        fs::path base = layout_.data_dir.parent_path();
        if (!make_server_dir(base.parent_path(), 0755, {}, error)) return false;
        if (!make_server_dir(base, 0755, layout_.server_user, error)) return false;
        auto st = fs::symlink_status(layout_.link, ec);
        if (fs::exists(st)) {
            if (!fs::is_symlink(st) || fs::read_symlink(layout_.link, ec) != layout_.data_dir) {
                *error = layout_.link.string() + " já existe e não aponta para " +
                         layout_.data_dir.string();
                return false;
            }
        } else {
            fs::create_directory_symlink(layout_.data_dir, layout_.link, ec);
            if (ec) {
                *error = "Não foi possível criar a ligação " + layout_.link.string() + ": " +
                         ec.message();
                return false;
            }
        }
    }
    // A socket folder outside the root (a deep root) sits in a folder of our own.
    const fs::path socket_parent = layout_.socket_dir.parent_path();
    if (socket_parent != root_.root() && socket_parent != layout_.data_dir.parent_path() &&
        !make_server_dir(socket_parent, facts_.running_as_root ? 0755 : 0700, {}, error))
        return false;
    return make_server_dir(layout_.data_dir, 0700, layout_.server_user, error) &&
           make_server_dir(layout_.socket_dir, 0700, layout_.server_user, error);
}

bool EmbeddedServer::create_cluster(std::string* error) {
    if (cluster_exists()) return true;
    if (!prepare_folders(error)) return false;
    const std::vector<std::string> common{"-D",
                                          layout_.data_dir.string(),
                                          "-U",
                                          std::string(kAdminRoleName),
                                          "-E",
                                          "UTF8",
                                          "--auth-local=trust",
                                          "--auth-host=scram-sha-256"};
    std::string out;
    // C.UTF-8 gives upper/lower on accented letters; plain C is the fallback
    // for systems without that locale.
    for (const char* locale : {"--locale=C.UTF-8", "--no-locale"}) {
        auto args = common;
        args.emplace_back(locale);
        if (run_tool("initdb", args, &out)) return true;
    }
    *error = "Falha ao criar o cluster em " + layout_.data_dir.string() + ":\n" +
             platform::tail_lines(out, 15);
    return false;
}

bool EmbeddedServer::configure(std::string* error, bool* changed) {
    bool ignored = false;
    if (!changed) changed = &ignored;
    *changed = false;
    if (port_ <= 0) {
        *error = "Porta do servidor não definida";
        return false;
    }
    if (!make_server_dir(layout_.data_dir / "log", 0700, layout_.server_user, error)) return false;
    const fs::path conf = layout_.data_dir / "postgresql.conf";
    std::string main_conf = read_file(conf);
    const std::string include = "include_if_exists = 'balcora.conf'";
    if (main_conf.find(include) == std::string::npos) {
        if (!main_conf.empty() && main_conf.back() != '\n') main_conf += '\n';
        main_conf += "\n# Settings of the Balcora program (rewritten at every start).\n";
        main_conf += include + "\n";
        if (!write_cluster_file(conf, main_conf, error)) return false;
        *changed = true;
    }
    const fs::path ours = layout_.data_dir / "balcora.conf";
    const ListenPolicy policy = read_listen_policy(root_);
    const std::string text = server_config_text(layout_, port_, policy);
    if (read_file(ours) != text) {
        if (!write_cluster_file(ours, text, error)) return false;
        *changed = true;
    }
    const fs::path hba = layout_.data_dir / "pg_hba.conf";
    if (read_file(hba) != client_auth_text(policy)) {
        if (!write_cluster_file(hba, client_auth_text(policy), error)) return false;
        *changed = true;
    }
    return true;
}

}  // namespace balcora::db
