#include "cluster/embedded_server.h"
#include "cluster/server_port.h"
#include "db/database.h"
#include "db/query_sql.h"
#include "db/session.h"
#include "db/sql_record.h"
#include "support/test_database.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <unistd.h>

namespace balcora::test {
namespace {

// A server of the test's own, so it can be stopped and started under an open
// connection as a technician's "db stop" / "db start" would.
class Reconnect : public EnvTest {
  protected:
    void SetUp() override {
        // A root-run server changes to the postgres user, who must reach the root.
        std::filesystem::permissions(root_.path(), std::filesystem::perms(0755));
        // Away from the ports other tests' servers take, which they take from
        // the bottom up: between its stop and start, this server's port must
        // not go to another test running beside it.
        const int base = 40000 + static_cast<int>(getpid() % 2000) * 10;
        server_.emplace(root_.root(), db::choose_port([base](int p) {
                            return p >= base && db::port_is_free(p);
                        }));
        std::string error;
        ASSERT_TRUE(server_->prepare(&error)) << error;
        auto conn = db::PgConnection::open(server_->conninfo(), &error);
        ASSERT_TRUE(conn) << error;
        db::prepare_session(*conn);
        db::set_connection(std::move(conn));
        db::apply_program_session_settings();
        // The program's role creates in its own schema; public is the administrator's.
        ASSERT_EQ(QUERYSQL("CREATE SCHEMA IF NOT EXISTS balcora; "
                           "CREATE TABLE IF NOT EXISTS balcora.t (n integer);"),
                  "1");
    }
    void TearDown() override {
        db::close_connection();
        std::string error;
        if (server_) server_->stop(&error);
    }
    void restart_server() {
        std::string error;
        ASSERT_TRUE(server_->stop(&error)) << error;
        ASSERT_TRUE(server_->start(&error)) << error;
    }
    std::string count_rows() { return QUERYSQL("SELECT count(*) FROM t;"); }

    std::optional<db::EmbeddedServer> server_;
};

TEST_F(Reconnect, AStatementAfterARestartRunsAndATransactionCutByItIsRolledBackAndReported) {
    db::PgConnection* conn = db::connection();

    // Idle at the restart: the next statement reconnects, with the session
    // settings of the program, and runs; so does a pipeline.
    restart_server();
    EXPECT_EQ(QUERYSQL("INSERT INTO t VALUES (1);"), "1");
    EXPECT_EQ(conn->reconnections(), 1);
    EXPECT_EQ(QUERYSQL("SHOW standard_conforming_strings;"), "off");
    EXPECT_EQ(QUERYSQL("SHOW enable_seqscan;"), "off");
    restart_server();
    auto piped = conn->exec_pipeline({{"p_count", "SELECT count(*) FROM t", {}}});
    ASSERT_EQ(piped.size(), 1u);
    EXPECT_EQ(piped[0].value(0, 0), "1");
    EXPECT_TRUE(prompt_.shown().empty());

    // Open at the restart: the statement fails with a database error, as does
    // everything up to the end of the transaction; the rollback succeeds and
    // nothing of the transaction stays.
    ASSERT_TRUE(db::execute("BEGIN;"));
    ASSERT_TRUE(db::execute("INSERT INTO t VALUES (2);"));
    restart_server();
    EXPECT_FALSE(db::execute("INSERT INTO t VALUES (3);"));
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_NE(prompt_.shown()[0].title.find("Erro SQL (08006)"), std::string::npos);
    EXPECT_NE(prompt_.shown()[0].text.find("desfeita"), std::string::npos);
    EXPECT_FALSE(db::execute("INSERT INTO t VALUES (4);")) << "no statement outside the "
                                                              "transaction it belonged to";
    EXPECT_TRUE(db::execute("ROLLBACK;"));
    EXPECT_EQ(count_rows(), "1");

    // A COMMIT in place of the rollback fails: nothing was kept to commit.
    ASSERT_TRUE(db::execute("BEGIN;"));
    ASSERT_TRUE(db::execute("INSERT INTO t VALUES (5);"));
    restart_server();
    EXPECT_FALSE(db::execute("INSERT INTO t VALUES (6);"));
    EXPECT_FALSE(db::execute("COMMIT;"));
    EXPECT_EQ(count_rows(), "1");
    EXPECT_EQ(QUERYSQL("INSERT INTO t VALUES (7);"), "1");
    EXPECT_EQ(count_rows(), "2");
}

}  // namespace
}  // namespace balcora::test
