#include "support/test_backoffice.h"

#include "credentials/role_password.h"
#include "demo/backoffice_demo.h"
#include "support/test_database.h"

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <stdexcept>

namespace balcora::test {

namespace {

std::string field(const std::string& conninfo, const std::string& key) {
    std::size_t at = conninfo.find(key + "=");
    if (at == std::string::npos) return {};
    std::size_t start = at + key.size() + 1, end = conninfo.find(' ', start);
    return conninfo.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

// The cluster's root, written beside its connection text by the fixture.
std::string cluster_root() {
    const char* file = std::getenv("BALCORA_TEST_PG_FILE");
    if (!file) return {};
    std::ifstream in(std::string(file) + ".root");
    std::string line;
    std::getline(in, line);
    return line;
}

}  // namespace

TestBackOffice::TestBackOffice(bool demo) {
    const std::string base = template_conninfo();
    if (base.empty()) throw std::runtime_error("no test cluster: BALCORA_TEST_PG_FILE is not set");
    port_ = std::atoi(field(base, "port").c_str());
    static std::atomic<int> counter{0};
    name_ = "r_" + std::to_string(getpid()) + "_" + std::to_string(counter++);
    admin_conninfo_ = base + " dbname=postgres";
    std::string error;
    auto admin = db::PgConnection::open(admin_conninfo_, &error);
    if (!admin) throw std::runtime_error("test cluster unreachable: " + error);
    admin->exec("DROP DATABASE IF EXISTS " + name_);
    auto r = admin->exec("CREATE DATABASE " + name_ + " TEMPLATE retaguarda_template");
    if (!r.ok()) throw std::runtime_error("CREATE DATABASE failed: " + r.error_message());
    const std::string conninfo = base + " dbname=" + name_;
    if (demo && !load_backoffice_demo(conninfo, &error))
        throw std::runtime_error("back-office demo: " + error);
    conn_ = db::PgConnection::open(conninfo, &error);
    if (!conn_) throw std::runtime_error("cannot connect to " + name_ + ": " + error);
    for (const char* s : {"SET client_encoding = 'UTF8'", "SET standard_conforming_strings = off",
                          "SET escape_string_warning = off"})
        conn_->exec(s);
}

TestBackOffice::~TestBackOffice() {
    conn_.reset();
    std::string error;
    if (auto admin = db::PgConnection::open(admin_conninfo_, &error))
        admin->exec("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
}

backoffice::LinkSettings TestBackOffice::link() const {
    backoffice::LinkSettings s;
    s.type = backoffice::ConnectionType::kIp;
    s.ip = s.servidor = "127.0.0.1";
    s.database = name_;
    s.usuario = "balcora";
    s.senha = db::read_role_password(platform::DataRoot(cluster_root()));
    s.porta = port_;
    s.ini_aut = false;
    return s;
}

void TestBackOffice::point_settings() const {
    if (!point_settings_at_backoffice(link()))
        throw std::runtime_error("could not write the link settings");
}

db::PgResult TestBackOffice::exec(const std::string& statement) {
    db::PgResult r = conn_->exec(statement);
    if (!r.ok()) throw std::runtime_error("back office: " + r.error_message() + " in " + statement);
    return r;
}

std::string TestBackOffice::value(const std::string& query) {
    db::PgResult r = exec(query);
    return r.rows() > 0 ? std::string(r.value(0, 0)) : std::string();
}

}  // namespace balcora::test
