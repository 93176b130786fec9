#include "db/script_runner.h"

#include "db/database.h"
#include "db/query_sql.h"
#include "db/script_progress.h"
#include "ui/environment.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <fstream>

namespace balcora {

namespace db {

std::string file_stamp(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return {};
    std::tm tm{};
    localtime_r(&st.st_mtime, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S", &tm);
    return buf;
}

}  // namespace db

namespace {

std::string rtrim(std::string s) {
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\t')) s.pop_back();
    return s;
}

int to_int(std::string_view s) {
    std::string t(s);
    return std::atoi(t.c_str());
}

// Runs a bookkeeping statement, showing the driver's text under "Erro (code)".
bool run_bookkeeping(const std::string& statement) {
    db::PgConnection* conn = db::connection();
    if (!conn) return false;
    db::PgResult r = conn->exec(statement);
    if (r.ok()) return true;
    prompt().message("Erro (" + r.sqlstate() + ")", r.error_message(), ui::Icon::kError);
    return false;
}

// A fresh database has no bookkeeping yet; create it quietly so the first
// read of the stamp finds an empty one instead of failing.
void ensure_bookkeeping(std::string_view schema) {
    db::PgConnection* conn = db::connection();
    if (!conn) return;
    std::string s(schema);
    std::string probe = "SELECT to_regclass('" + s + ".cfg') IS NOT NULL";
    db::PgResult exists = conn->exec(probe);
    if (exists.ok() && exists.rows() == 1 && exists.value(0, 0) == "t") return;
    conn->exec("CREATE SCHEMA IF NOT EXISTS " + s +
               ";"
               "CREATE TABLE IF NOT EXISTS " +
               s +
               ".cfg (seqatual integer, dataatual1 text, "
               "dataatual2 text);"
               "INSERT INTO " +
               s + ".cfg (seqatual) SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM " + s + ".cfg);");
}

bool run_script(const std::string& path, std::string_view schema, db::ScriptProgressView& view) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        int code = errno;
        prompt().message("Aviso",
                         "Erro (" + std::to_string(code) + ") ao abrir o arquivo (" + path + ")!",
                         ui::Icon::kWarning);
        return false;
    }
    const std::string s(schema);
    db::SqlRecord rec;
    QUERYSQL("SELECT seqatual FROM " + s + ".cfg;", rec);
    const int applied = to_int(rec.C(1));
    int block = 0;
    std::string gathered;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind("--SEQ", 0) == 0) {
            block = line.size() > 6 ? to_int(line.substr(6, 4)) : 0;
            gathered = line + "\r\n";
            view.gathered_text(gathered);
            continue;
        }
        if (block != 0 && applied >= block) continue;
        if (line.rfind("--RUN--", 0) == 0) {
            std::string marker = line.substr(7);
            marker.erase(0, marker.find_first_not_of(' '));
            const bool ignore_error = marker.rfind("IGNORE ERRO", 0) == 0;
            db::PgConnection* conn = db::connection();
            db::PgResult r = conn ? conn->exec(gathered) : db::PgResult();
            std::string error = r.ok() ? std::string() : (r ? r.error_message() : "sem conexão");
            if (!error.empty()) {
                view.status("Erro (" + r.sqlstate() + "): " + error);
                if (!ignore_error) return false;
            } else {
                view.status("OK");
            }
            if (block != 0 && !run_bookkeeping("UPDATE " + s +
                                               ".cfg SET seqatual=" + std::to_string(block) + ";"))
                return false;
            gathered.clear();
            continue;
        }
        gathered += rtrim(line) + "\r\n";
        view.gathered_text(gathered);
    }
    return true;
}

}  // namespace

int LEARQUIVOSQL(std::string_view path_view, int number, std::string_view schema) {
    const std::string path(path_view), s(schema), n = std::to_string(number);
    ensure_bookkeeping(schema);
    db::SqlRecord rec;
    QUERYSQL("SELECT dataatual" + n + " FROM " + s + ".cfg;", rec);
    const std::string stored(rec.C(1));

    const std::string stamp = db::file_stamp(path);
    if (stamp.empty()) {
        prompt().message("Aviso", "Arquivo não encontrado (" + path + ")!", ui::Icon::kWarning);
        return 0;
    }
    if (!(stamp > stored)) return 1;

    auto view = db::make_script_progress_view();
    view->show(path + " - Executando Comando SQL...");
    bool ok = run_script(path, schema, *view);
    if (ok) ok = run_bookkeeping("UPDATE " + s + ".cfg SET dataatual" + n + "='" + stamp + "';");
    view->finished(ok);
    return ok ? 1 : 0;
}

}  // namespace balcora
