#include "db/literals.h"
#include "db/query_sql.h"
#include "support/test_database.h"

#include <random>

namespace balcora::test {

TEST(Txtsql, QuotesAndDoublesEscapes) {
    EXPECT_EQ(TXTSQL("D'Avila"), "'D''Avila'");
    EXPECT_EQ(TXTSQL("c:\\sistemas"), "'c:\\\\sistemas'");
    EXPECT_EQ(TXTSQL(""), "''");
    EXPECT_EQ(TXTSQL("   "), "'   '");
    EXPECT_EQ(TXTSQL("   ", true), "Null");
    EXPECT_EQ(TXTSQL("", true), "Null");
    EXPECT_EQ(TXTSQL(std::string_view("\0abc", 4), true), "Null");
    EXPECT_EQ(TXTSQL("abc ", true), "'abc '");
}

TEST(Dtsql, SetDatesAndNoDate) {
    EXPECT_EQ(DTSQL(0), "Null");
    EXPECT_EQ(DTSQL(-5), "Null");
    EXPECT_EQ(DTSQL(util::day_number(2015, 7, 1)), "'2015-07-01'");
}

TEST(Zeroisnull, OnlyNonZeroNumbersPass) {
    EXPECT_EQ(ZEROISNULL("12"), "12");
    EXPECT_EQ(ZEROISNULL("-3.50"), "-3.50");
    EXPECT_EQ(ZEROISNULL("0"), "Null");
    EXPECT_EQ(ZEROISNULL("0.00"), "Null");
    EXPECT_EQ(ZEROISNULL(""), "Null");
    EXPECT_EQ(ZEROISNULL("abc"), "Null");
    // Text that is not a number never reaches the statement.
    EXPECT_EQ(ZEROISNULL("1; DROP TABLE cfiscal"), "Null");
}

TEST(Sonumeros, DigitsAndWidths) {
    EXPECT_EQ(SONUMEROS("12.345.678/0001-95"), "12345678000195");
    EXPECT_EQ(SONUMEROS("12.345.678/0001-95", 16), "0012345678000195");
    EXPECT_EQ(SONUMEROS("12.345.678/0001-95", 4), "0195");
    EXPECT_EQ(SONUMEROS("abc"), "");
    EXPECT_EQ(SONUMEROS(std::string(150, '7')).size(), 99u);
}

TEST(Retornacampo, FieldsAndFallbackToLast) {
    EXPECT_EQ(RETORNACAMPO("a,b,c", 2), "b");
    EXPECT_EQ(RETORNACAMPO("a,b,c", 1), "a");
    EXPECT_EQ(RETORNACAMPO("a,b,c", 0), "c");
    EXPECT_EQ(RETORNACAMPO("a,b,c", 5), "c");
    EXPECT_EQ(RETORNACAMPO("a,,c", 2), "");
    EXPECT_EQ(RETORNACAMPO("single"), "single");
    EXPECT_EQ(RETORNACAMPO(""), "");
}

// Builds texts from the characters that break naive quoting: apostrophes,
// backslashes, CR/LF, blanks (also trailing), accents and emoji.
static std::string random_text(std::mt19937& rng) {
    static const std::vector<std::string> pieces = {
        "'", "''", "\\", "\\\\", "\r", "\n", "\r\n", " ",  "  ", "a",  "Z",   "0",   "ç",  "ã",
        "É", "😀",  "€",  "%",    "_",  ";",  "--",   "/*", "\"", "\t", "\\'", "'\\", "E'", "$$"};
    std::uniform_int_distribution<std::size_t> len(0, 24), pick(0, pieces.size() - 1);
    std::string s;
    for (std::size_t i = len(rng); i > 0; --i) s += pieces[pick(rng)];
    return s;
}

class TxtsqlRoundTrip : public DbTest {};

TEST_F(TxtsqlRoundTrip, AnyTextComesBackEqual) {
    ASSERT_EQ(QUERYSQL("CREATE TEMP TABLE t (id integer, v text);"), "1");
    std::mt19937 rng(20261207);
    std::vector<std::string> texts;
    for (int i = 0; i < 1000; ++i) texts.push_back(random_text(rng));
    texts.push_back("");
    texts.push_back("ends with blanks   ");
    texts.push_back("'");
    texts.push_back("\\");
    std::string rows;
    for (std::size_t i = 0; i < texts.size(); ++i)
        rows +=
            (i ? "," : "") + std::string("(") + std::to_string(i) + "," + TXTSQL(texts[i]) + ")";
    ASSERT_EQ(QUERYSQL("INSERT INTO t VALUES " + rows + ";"), "1");
    // Read back through the shared record; every generated text fits in C1.
    ASSERT_EQ(QUERYSQL("SELECT v FROM t ORDER BY id"), texts[0]);
    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_LE(texts[i].size(), 254u);
        EXPECT_EQ(db::sql().C(1), texts[i]) << "text " << i;
        db::sql().next();
    }
    EXPECT_TRUE(prompt_.shown().empty());
}

}  // namespace balcora::test
