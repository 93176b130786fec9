#include "database.h"

#include "cluster/local_server.h"
#include "command.h"
#include "db/session.h"
#include "globals/globals.h"
#include "ui/environment.h"

namespace balcora::vecf {

db::PgConnection& Database::connection() {
    if (!conn_ || glo::string_conexao != connection_string_ || !conn_->alive()) {
        conn_.reset();
        if (glo::string_conexao.empty())
            refuse("Impressora sem acesso ao banco de dados: conexão não configurada.");
        std::string error;
        auto c =
            db::PgConnection::open(db::program_conninfo(data_root(), glo::string_conexao), &error);
        if (!c) refuse("Erro (" + error + ") ao conectar ao banco de dados.");
        db::prepare_session(*c);
        conn_ = std::move(c);
        connection_string_ = glo::string_conexao;
    }
    return *conn_;
}

db::PgResult Database::run(std::string_view sql, std::string_view what) {
    db::PgResult r = connection().exec(sql);
    if (!r.ok()) {
        std::string text = r ? r.error_message() : conn_->error_message();
        while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
        refuse("Erro (" + text + ") ao " + std::string(what) + ".");
    }
    return r;
}

std::string Database::value(std::string_view sql, std::string_view what) {
    db::PgResult r = run(sql, what);
    if (r.rows() == 0 || r.columns() == 0) return {};
    return std::string(r.value(0, 0));
}

DbTransaction::DbTransaction(Database& db) : db_(db) {
    db_.run("BEGIN;", "iniciar a transação");
}

void Database::abort() noexcept {
    try {
        if (conn_ && conn_->alive()) conn_->exec("ROLLBACK;");
    } catch (...) {
    }
}

DbTransaction::~DbTransaction() {
    if (open_) db_.abort();
}

void DbTransaction::commit() {
    open_ = false;
    db_.run("COMMIT;", "gravar a transação");
}

}  // namespace balcora::vecf
