#include "db/query_sql.h"
#include "db/database.h"
#include "support/test_database.h"

namespace balcora::test {

class QuerySql : public DbTest {};

TEST_F(QuerySql, ReturnValuesOfSelectAndOtherStatements) {
    EXPECT_EQ(QUERYSQL("CREATE TEMP TABLE q (id integer, nome text);"), "1");
    EXPECT_EQ(QUERYSQL("INSERT INTO q VALUES (1,'um'),(2,'dois'),(3,'tres');"), "1");
    EXPECT_EQ(QUERYSQL("UPDATE q SET nome='UM' WHERE id=1;"), "1");
    EXPECT_EQ(QUERYSQL("UPDATE q SET nome='x' WHERE id=99;"), "1");
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM q"), "3");
    EXPECT_EQ(QUERYSQL("select nome from q where id=1"), "UM");
    EXPECT_EQ(QUERYSQL("SELECT nome FROM q WHERE id=99"), "");
    // Leading blanks or WITH do not count as a SELECT: no row gives "1".
    EXPECT_EQ(QUERYSQL("  SELECT nome FROM q WHERE id=99"), "1");
    EXPECT_EQ(QUERYSQL("WITH x AS (SELECT 1) SELECT nome FROM q WHERE id=99"), "1");
    EXPECT_EQ(QUERYSQL("WITH x AS (SELECT 7 AS v) SELECT v FROM x"), "7");
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(QuerySql, WalksTheSharedRecordRowByRow) {
    QUERYSQL(
        "CREATE TEMP TABLE w AS SELECT g AS id, 'n' || g AS nome FROM generate_series(1,5) g;");
    ASSERT_EQ(QUERYSQL("SELECT id, nome, NULL FROM w ORDER BY id"), "1");
    std::vector<std::string> seen;
    db::SqlRecord& rec = db::sql();
    do {
        seen.push_back(std::string(rec.C(1)) + ":" + std::string(rec.C(2)));
        EXPECT_EQ(rec.C(3), "");
        EXPECT_TRUE(rec.is_null(3));
        EXPECT_EQ(rec.C(4), "");  // past the result's columns
    } while (rec.next());
    EXPECT_EQ(seen, (std::vector<std::string>{"1:n1", "2:n2", "3:n3", "4:n4", "5:n5"}));
    EXPECT_FALSE(rec.next());
}

TEST_F(QuerySql, ColumnsAreCutToTheirWidthsAndOnlyTwentyFourAreRead) {
    std::string cols;
    for (int k = 1; k <= 26; ++k)
        cols += (k > 1 ? "," : "") + std::string("'c") + std::to_string(k) + "'";
    QUERYSQL("SELECT repeat('a',300), repeat('b',300), repeat('ç',300), repeat('d',100)");
    EXPECT_EQ(db::sql().C(1).size(), 254u);
    EXPECT_EQ(db::sql().C(3), [] {
        std::string s;
        for (int i = 0; i < 254; ++i) s += "ç";
        return s;
    }());
    EXPECT_EQ(db::sql().C(4).size(), 79u);
    QUERYSQL("SELECT " + cols);
    EXPECT_EQ(db::sql().column_count(), 24);
    EXPECT_EQ(db::sql().C(24), "c24");
    EXPECT_EQ(db::sql().C(25), "");
}

TEST_F(QuerySql, ErrorsShowTheDialogAndReturnEmpty) {
    EXPECT_EQ(QUERYSQL("SELECT * FROM tabela_que_nao_existe"), "");
    ASSERT_EQ(prompt_.shown().size(), 1u);
    const auto& shown = prompt_.shown()[0];
    EXPECT_EQ(shown.title, "Erro SQL (42P01)");
    EXPECT_NE(shown.text.find("|Comando SQL: SELECT * FROM tabela_que_nao_existe"),
              std::string::npos);
    EXPECT_EQ(shown.icon, ui::Icon::kError);
    EXPECT_EQ(QUERYSQL("UPDATE nada SET x=1;"), "");
}

TEST_F(QuerySql, TargetRecordsLeaveTheSharedWalkAlone) {
    QUERYSQL("CREATE TEMP TABLE a AS SELECT g AS id FROM generate_series(1,3) g;");
    ASSERT_EQ(QUERYSQL("SELECT id FROM a ORDER BY id"), "1");
    db::SqlRecord inner;
    int rows = 0;
    do {
        EXPECT_EQ(QUERYSQL("SELECT id*10 FROM a WHERE id=" + std::string(db::sql().C(1)), inner),
                  "1");
        EXPECT_EQ(std::stoi(std::string(inner.C(1))), 10 * std::stoi(std::string(db::sql().C(1))));
        ++rows;
    } while (db::sql().next());
    EXPECT_EQ(rows, 3);
    EXPECT_EQ(QUERYSQL("SELECT id FROM a WHERE id=42", inner), "");
    EXPECT_FALSE(inner.has_row());
    EXPECT_EQ(QUERYSQL("UPDATE a SET id=id;", inner), "");
}

TEST_F(QuerySql, LostConnectionShowsDialogsInsteadOfCrashing) {
    db::close_connection();
    EXPECT_EQ(QUERYSQL("SELECT 1"), "");
    EXPECT_FALSE(prompt_.shown().empty());
}

}  // namespace balcora::test
