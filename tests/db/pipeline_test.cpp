#include "db/database.h"
#include "db/query_sql.h"
#include "db/sql_record.h"
#include "support/test_database.h"

#include <gtest/gtest.h>

namespace balcora::test {

using Call = db::PgConnection::Call;

class Pipeline : public DbTest {
  protected:
    void SetUp() override {
        conn_ = db::connection();
        ASSERT_NE(conn_, nullptr);
        ASSERT_TRUE(db::execute("CREATE TABLE t (id serial PRIMARY KEY, name text);"));
    }
    std::string names() {
        db::SqlRecord r;
        QUERYSQL("SELECT string_agg(name, '|' ORDER BY id) FROM t;", r);
        return std::string(r.C(1));
    }
    db::PgConnection* conn_ = nullptr;
};

TEST_F(Pipeline, CallsRunInOrderAndTheirValuesArriveExactly) {
    const std::string odd = "D'Ávila \\ \"aspas\"\r\n";
    const std::vector<Call> calls = {
        {"p_begin", "BEGIN", {}},
        {"p_insert", "INSERT INTO t (name) VALUES ($1)", {odd}},
        {"p_insert", "INSERT INTO t (name) VALUES ($1)", {std::nullopt}},
        {"p_count", "SELECT count(*) FROM t WHERE name IS NULL OR name=$1", {odd}},
        {"p_commit", "COMMIT", {}},
    };
    auto results = conn_->exec_pipeline(calls);
    ASSERT_EQ(results.size(), calls.size());
    EXPECT_EQ(results[3].value(0, 0), "2");
    EXPECT_EQ(names(), odd);
    // Prepared once: a second round reuses the statements.
    results = conn_->exec_pipeline(calls);
    ASSERT_EQ(results.size(), calls.size());
    EXPECT_EQ(results[3].value(0, 0), "4");
}

TEST_F(Pipeline, TheFirstFailureEndsTheListAndTheConnectionGoesOn) {
    const std::vector<Call> calls = {
        {"f_begin", "BEGIN", {}},
        {"f_insert", "INSERT INTO t (id, name) VALUES ($1, 'a')", {"1"}},
        {"f_insert", "INSERT INTO t (id, name) VALUES ($1, 'a')", {"1"}},
        {"f_commit", "COMMIT", {}},
    };
    auto results = conn_->exec_pipeline(calls);
    ASSERT_EQ(results.size(), 3u);
    EXPECT_FALSE(results.back().ok());
    EXPECT_EQ(results.back().sqlstate(), "23505");
    EXPECT_TRUE(db::execute("ROLLBACK;"));
    EXPECT_EQ(names(), "");
    // A statement the server cannot prepare is answered like any failure.
    results = conn_->exec_pipeline({{"bad", "SELEC 1", {}}});
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].sqlstate(), "42601");
    EXPECT_TRUE(db::execute("INSERT INTO t (name) VALUES ('depois');"));
    EXPECT_EQ(names(), "depois");
}

}  // namespace balcora::test
