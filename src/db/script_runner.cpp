#include "db/script_runner.h"

#include "db/query_sql.h"
#include "db/script_progress.h"
#include "db/sql_runner.h"
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
    auto report = [](const db::SqlFailure& f, std::string_view) {
        prompt().message("Erro (" + f.sqlstate + ")", f.text, ui::Icon::kError);
    };
    return db::run_sql(statement, report).has_value();
}

// A fresh database has no bookkeeping yet; create it quietly so the first
// read of the stamp finds an empty one instead of failing.
void ensure_bookkeeping(std::string_view schema) {
    std::string s(schema);
    std::string probe = "SELECT to_regclass('" + s + ".cfg') IS NOT NULL";
    const auto exists = db::run_sql(probe, db::report_nothing);
    if (exists && exists->rows() == 1 && exists->value(0, 0) == "t") return;
    db::run_sql("CREATE SCHEMA IF NOT EXISTS " + s +
                    ";"
                    "CREATE TABLE IF NOT EXISTS " +
                    s +
                    ".cfg (seqatual integer, dataatual1 text, "
                    "dataatual2 text);"
                    "INSERT INTO " +
                    s + ".cfg (seqatual) SELECT 0 WHERE NOT EXISTS (SELECT 1 FROM " + s + ".cfg);",
                db::report_nothing);
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
            db::SqlFailure failure;
            if (db::run_sql(gathered, db::keep_failure_in(failure))) {
                view.status("OK");
            } else {
                view.status("Erro (" + failure.sqlstate + "): " + failure.text);
                if (!ignore_error) return false;
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

    db::ScriptRun run(path + " - Executando Comando SQL...", [&](db::ScriptProgressView& view) {
        return run_script(path, schema, view) &&
               run_bookkeeping("UPDATE " + s + ".cfg SET dataatual" + n + "='" + stamp + "';");
    });
    return db::show_script_run(run) ? 1 : 0;
}

}  // namespace balcora
