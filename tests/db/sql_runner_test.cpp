#include "db/sql_runner.h"

#include "db/database.h"
#include "support/test_database.h"

#include <gtest/gtest.h>

namespace balcora::test {

class SqlRunner : public DbTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(db::run_sql("CREATE TABLE t (id integer PRIMARY KEY, name text);"));
        ASSERT_TRUE(db::run_sql("INSERT INTO t VALUES (1, 'um');"));
    }
};

TEST_F(SqlRunner, ReadingTellsNoRowFromFailureAndKeepsTheFailureForCallersThatJudgeIt) {
    db::SqlRecord rec;
    ASSERT_TRUE(db::read_rows("SELECT name FROM t WHERE id=1", rec));
    EXPECT_EQ(rec.C(1), "um");
    EXPECT_TRUE(db::read_rows("SELECT name FROM t WHERE id=2", rec));
    EXPECT_FALSE(rec.has_row());
    EXPECT_TRUE(prompt_.shown().empty());

    ASSERT_TRUE(db::read_rows("SELECT name FROM t WHERE id=1", rec));
    EXPECT_FALSE(db::read_rows("SELECT nome FROM t", rec));
    EXPECT_FALSE(rec.has_row()) << "a failed read must not leave the previous rows behind";
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Erro SQL (42703)");
    EXPECT_NE(prompt_.shown()[0].text.find("|Comando SQL: SELECT nome FROM t"), std::string::npos);

    db::SqlFailure kept;
    EXPECT_FALSE(db::run_sql("INSERT INTO t VALUES (1, 'outro');", db::keep_failure_in(kept)));
    EXPECT_EQ(kept.sqlstate, "23505");
    EXPECT_EQ(kept.constraint, "t_pkey");
    EXPECT_FALSE(kept.no_connection);
    EXPECT_EQ(prompt_.shown().size(), 1u) << "a kept failure is not shown";
}

TEST_F(SqlRunner, APipelinedBatchReportsItsFailingCallForTheTableAndLeavesTheConnectionUsable) {
    using Call = db::PgConnection::Call;
    const std::vector<Call> calls = {
        {"r_begin", "BEGIN", {}},
        {"r_insert", "INSERT INTO t VALUES ($1, 'x')", {"2"}},
        {"r_insert", "INSERT INTO t VALUES ($1, 'x')", {"1"}},
        {"r_commit", "COMMIT", {}},
    };
    std::string statement;
    db::FailureReport table = db::report_for_table("t");
    auto report = [&](const db::SqlFailure& f, std::string_view s) {
        statement = s;
        table(f, s);
    };
    EXPECT_FALSE(db::run_pipeline(calls, report));
    EXPECT_EQ(statement, "INSERT INTO t VALUES ($1, 'x')");
    ASSERT_EQ(prompt_.shown().size(), 2u);
    EXPECT_EQ(prompt_.shown()[0].kind, "beep");
    EXPECT_EQ(prompt_.shown()[1].title, "Erro (23505)/t");
    ASSERT_TRUE(db::run_sql("ROLLBACK;"));

    auto results = db::run_pipeline({{"r_count", "SELECT count(*) FROM t", {}}}, table);
    ASSERT_TRUE(results);
    EXPECT_EQ((*results)[0].value(0, 0), "1");
    EXPECT_TRUE(db::run_pipeline({}, table)->empty());
}

TEST_F(SqlRunner, WithoutAConnectionEveryRunnerReportsItInsteadOfCrashing) {
    db::close_connection();
    std::vector<db::SqlFailure> seen;
    auto keep = [&](const db::SqlFailure& f, std::string_view) { seen.push_back(f); };
    db::SqlRecord rec;
    EXPECT_FALSE(db::run_sql("SELECT 1", keep));
    EXPECT_FALSE(db::read_rows("SELECT 1", rec, keep));
    EXPECT_FALSE(db::run_pipeline({{"n", "SELECT 1", {}}}, keep));
    ASSERT_EQ(seen.size(), 3u);
    for (const auto& f : seen) {
        EXPECT_TRUE(f.no_connection);
        EXPECT_EQ(f.sqlstate, "08003");
    }
}

}  // namespace balcora::test
