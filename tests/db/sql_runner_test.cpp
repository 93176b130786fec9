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

namespace balcora::test {

// Reading by name: aliases and names of any position, typed readings with
// their NULL and no-row values, and a misspelt name caught rather than read
// as an empty column.
TEST_F(SqlRunner, ARowReadByNameGivesTypedValuesAndRefusesAnUnknownColumn) {
    db::SqlRecord rec;
    ASSERT_TRUE(db::read_rows(
        "SELECT 1 AS c1, 2, 3, 4, 'COO' AS \"Coo\", 12.345 AS total, -7.9 AS qtd, "
        "date '2026-12-07' AS dia, true AS ok, NULL::text AS nada, repeat('x', 90) AS longo, "
        "NULL::numeric AS sem_valor, NULL::date AS sem_dia FROM t",
        rec));
    EXPECT_EQ(rec.text("Coo"), "COO") << "quoted lookup: names match as written";
    EXPECT_EQ(rec.money("total"), util::Money::from_units(1235)) << "cents rounded half up";
    EXPECT_EQ(rec.integer("qtd"), -7);
    EXPECT_EQ(rec.day("dia"), util::day_number(2026, 12, 7));
    EXPECT_TRUE(rec.flag("ok"));
    EXPECT_TRUE(rec.is_null("nada"));
    EXPECT_FALSE(rec.is_null("ok"));
    EXPECT_EQ(rec.text("nada"), "");
    EXPECT_EQ(rec.money("sem_valor"), util::Money());
    EXPECT_EQ(rec.day("sem_dia"), 0);
    EXPECT_EQ(rec.text("longo").size(), 90u) << "beyond the shared record's 79 characters";
    EXPECT_EQ(rec.text("longo", 79).size(), 79u);
    EXPECT_EQ(rec.C(11).size(), 79u);
    EXPECT_THROW(rec.text("coo"), std::out_of_range);
    EXPECT_THROW(rec.integer("c2"), std::out_of_range);

    // A result without rows still knows its columns; a failed one has none.
    ASSERT_TRUE(db::read_rows("SELECT name FROM t WHERE id=2", rec));
    EXPECT_EQ(rec.text("name"), "");
    EXPECT_TRUE(rec.is_null("name"));
    EXPECT_THROW(rec.text("nome"), std::out_of_range);
    EXPECT_FALSE(db::read_rows("SELECT nome FROM t", rec));
    EXPECT_EQ(rec.text("nome"), "");
    EXPECT_TRUE(rec.is_null("nome"));
}

// Values as parameters are never quoted: an apostrophe and a backslash reach
// the row as typed (a literal would need them doubled, backslashes being
// escapes on this connection), and NULL is a value of its own.
TEST_F(SqlRunner, BoundParametersReachTheRowAsTypedAndNamesResolveAfterwards) {
    const std::string odd = "D'Ávila \\ 50% 'x'";
    ASSERT_TRUE(db::run_sql("INSERT INTO t VALUES ($1, $2);", {"2", odd}));
    ASSERT_TRUE(db::run_sql("INSERT INTO t VALUES ($1, $2);", {"3", std::nullopt}));
    db::SqlRecord rec;
    ASSERT_TRUE(db::read_rows("SELECT id, name FROM t WHERE id>=$1 ORDER BY id", {"2"}, rec));
    EXPECT_EQ(rec.row_count(), 2);
    EXPECT_EQ(rec.integer("id"), 2);
    EXPECT_EQ(rec.text("name"), odd);
    ASSERT_TRUE(rec.next());
    EXPECT_TRUE(rec.is_null("name"));
    EXPECT_EQ(rec.integer("id"), 3) << "names stay resolved across rows";

    EXPECT_FALSE(db::read_rows("SELECT id FROM t WHERE id=$1", {"um"}, rec));
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Erro SQL (22P02)");
}

}  // namespace balcora::test
