#include "support/test_database.h"

#include "db/database.h"
#include "db/session.h"
#include "globals/globals.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace balcora::test {

std::string template_conninfo() {
    const char* file = std::getenv("BALCORA_TEST_PG_FILE");
    if (!file) return {};
    std::ifstream in(file);
    std::string line;
    std::getline(in, line);
    return line;
}

static std::string with_dbname(const std::string& conninfo, const std::string& dbname) {
    return conninfo + " dbname=" + dbname;
}

TestDatabase::TestDatabase() {
    std::string base = template_conninfo();
    if (base.empty())
        throw std::runtime_error("no test cluster: BALCORA_TEST_PG_FILE is not set or empty");
    static std::atomic<int> counter{0};
    name_ = "t_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    admin_conninfo_ = with_dbname(base, "postgres");
    std::string error;
    auto admin = db::PgConnection::open(admin_conninfo_, &error);
    if (!admin) throw std::runtime_error("test cluster unreachable: " + error);
    admin->exec("DROP DATABASE IF EXISTS " + name_);
    auto r = admin->exec("CREATE DATABASE " + name_ + " TEMPLATE balcora_template");
    if (!r.ok()) throw std::runtime_error("CREATE DATABASE failed: " + r.error_message());
    conninfo_ = with_dbname(base, name_);
    auto conn = db::PgConnection::open(conninfo_, &error);
    if (!conn) throw std::runtime_error("cannot connect to " + name_ + ": " + error);
    db::prepare_session(*conn);
    db::set_connection(std::move(conn));
    db::apply_program_session_settings();
}

std::string TestDatabase::connection_string() const {
    auto field = [&](const std::string& key) {
        std::size_t at = conninfo_.find(key + "=");
        if (at == std::string::npos) return std::string();
        std::size_t start = at + key.size() + 1, end = conninfo_.find(' ', start);
        return conninfo_.substr(start, end == std::string::npos ? std::string::npos : end - start);
    };
    return "DRIVER=PostgreSQL ANSI;DATABASE=" + name_ + ";SERVER=" + field("host") +
           ";PORT=" + field("port") +
           ";UID=balcora;PWD=;SHOWSYSTEMTABLES=1;"
           "UseServerSidePrepare=0;Protocol=7.4-1;";
}

TestDatabase::~TestDatabase() {
    db::close_connection();
    std::string error;
    if (auto admin = db::PgConnection::open(admin_conninfo_, &error))
        admin->exec("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
}

DbTest::DbTest() : env_({&clock_, &root_.root(), &prompt_, &screens_, &service_port_}) {
    glo::reset_all();
    glo::string_conexao = db_.connection_string();
}

EnvTest::EnvTest() : env_({&clock_, &root_.root(), &prompt_, &screens_, &service_port_}) {
    glo::reset_all();
}

void reset_globals_keeping_connection() {
    const std::string connection = glo::string_conexao;
    glo::reset_all();
    glo::string_conexao = connection;
}

}  // namespace balcora::test
