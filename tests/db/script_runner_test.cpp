#include "db/script_runner.h"
#include "db/query_sql.h"
#include "db/schema_scripts.h"
#include "support/test_database.h"

#include <chrono>
#include <fstream>

namespace balcora::test {

namespace fs = std::filesystem;

class ScriptRunner : public DbTest {
  protected:
    // Writes a script and gives it a modification time `minutes_ago` in the past,
    // so tests decide which of two versions is newer.
    std::string write_script(const std::string& text, int minutes_ago = 10) {
        fs::path p = root_.path() / "script.sql";
        std::ofstream(p, std::ios::binary) << text;
        fs::last_write_time(p,
                            fs::file_time_type::clock::now() - std::chrono::minutes(minutes_ago));
        return p.string();
    }
    std::string value(const std::string& select) {
        db::SqlRecord rec;
        QUERYSQL(select, rec);
        return std::string(rec.C(1));
    }
    int seqatual() { return std::stoi("0" + value("SELECT seqatual FROM scr.cfg")); }
};

TEST_F(ScriptRunner, RunsOnlyBlocksAboveSeqatualAndStoresTheStamp) {
    std::string script =
        "--SEQ 0001\n"
        "CREATE TABLE scr.um (id integer);\n"
        "--RUN--\n"
        "--SEQ 0002\n"
        "INSERT INTO scr.um VALUES (2);   \n"
        "--RUN--\n";
    auto path = write_script(script);
    ASSERT_EQ(LEARQUIVOSQL(path, 1, "scr"), 1);
    EXPECT_EQ(seqatual(), 2);
    EXPECT_EQ(value("SELECT count(*) FROM scr.um"), "1");
    EXPECT_EQ(value("SELECT dataatual1 FROM scr.cfg"), db::file_stamp(path));

    // The same file again: nothing runs.
    ASSERT_EQ(LEARQUIVOSQL(path, 1, "scr"), 1);
    EXPECT_EQ(value("SELECT count(*) FROM scr.um"), "1");

    // A newer file with block 1 already applied runs only the new block.
    QUERYSQL("UPDATE scr.cfg SET seqatual=1;");
    path = write_script(script + "--SEQ 0003\nINSERT INTO scr.um VALUES (3);\n--RUN--\n", 1);
    ASSERT_EQ(LEARQUIVOSQL(path, 1, "scr"), 1);
    EXPECT_EQ(seqatual(), 3);
    EXPECT_EQ(value("SELECT string_agg(id::text, ',' ORDER BY id) FROM scr.um"), "2,2,3");
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(ScriptRunner, AFailingBatchStopsAndKeepsTheStamp) {
    auto path = write_script(
        "--SEQ 0001\nCREATE TABLE scr.dois (id integer);\n--RUN--\n"
        "--SEQ 0002\nINSERT INTO scr.nao_existe VALUES (1);\n--RUN--\n"
        "--SEQ 0003\nCREATE TABLE scr.tres (id integer);\n--RUN--\n");
    EXPECT_EQ(LEARQUIVOSQL(path, 2, "scr"), 0);
    EXPECT_EQ(seqatual(), 1);
    EXPECT_EQ(value("SELECT coalesce(dataatual2,'') FROM scr.cfg"), "");
    EXPECT_EQ(value("SELECT to_regclass('scr.tres') IS NULL"), "t");
    // The operator sees the failing batch and the error.
    ASSERT_EQ(prompt_.count_containing("Erro (42P01): "), 1);
    EXPECT_EQ(prompt_.count_containing("INSERT INTO scr.nao_existe"), 1);
    EXPECT_EQ(prompt_.count_containing(" - Executando Comando SQL..."), 1);
}

TEST_F(ScriptRunner, IgnoreErroGoesOnAndTrailingLinesNeverRun) {
    auto path = write_script(
        "--SEQ 0001\nDROP TABLE scr.nao_existe;\n--RUN--IGNORE ERRO\n"
        "--SEQ 0002\nCREATE TABLE scr.quatro (id integer);\n--RUN-- IGNORE ERRO\n"
        "--SEQ 0003\nCREATE TABLE scr.nunca (id integer);\n");
    EXPECT_EQ(LEARQUIVOSQL(path, 1, "scr"), 1);
    EXPECT_EQ(seqatual(), 2);
    EXPECT_EQ(value("SELECT to_regclass('scr.quatro') IS NOT NULL"), "t");
    EXPECT_EQ(value("SELECT to_regclass('scr.nunca') IS NULL"), "t");
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(ScriptRunner, MissingAndMalformedScriptsNeverCrash) {
    std::string missing = (root_.path() / "nao_existe.sql").string();
    EXPECT_EQ(LEARQUIVOSQL(missing, 1, "scr"), 0);
    EXPECT_EQ(prompt_.count_containing("Arquivo não encontrado (" + missing + ")!"), 1);

    std::string garbage = "--SEQ\n--SEQ x\n--RUN\n\x01\x02\xff\xfe\n" + std::string(5000, 'x') +
                          "\n--RUN--\n--SEQ 0009\n--RUN--\n";
    prompt_.clear();
    auto path = write_script(garbage);
    EXPECT_EQ(LEARQUIVOSQL(path, 1, "scr"), 0);  // the garbage batch fails, reported
    EXPECT_EQ(prompt_.shown().size(), 1u);
}

TEST_F(ScriptRunner, AFailedBlockOfTheFirstScriptIsNeverSkippedByTheSecond) {
    // Both scripts count on the one seqatual of the installed shop; nothing
    // ships in the folder named, so the program folder's scripts are used.
    setenv("BALCORA_SQL_DIR", (root_.path() / "nada").c_str(), 1);
    const fs::path dir = data_root().program_dir();
    fs::create_directories(dir);
    std::ofstream(dir / "balcora1.sql", std::ios::binary)
        << "--SEQ 2001\nINSERT INTO balcora.nao_existe VALUES (1);\n--RUN--\n";
    std::ofstream(dir / "balcora2.sql", std::ios::binary)
        << "--SEQ 2002\nCREATE TABLE balcora.depois (id integer);\n--RUN--\n";
    const std::string before = value("SELECT seqatual FROM balcora.cfg");
    db::apply_schema_scripts();
    EXPECT_EQ(value("SELECT seqatual FROM balcora.cfg"), before);
    EXPECT_EQ(value("SELECT to_regclass('balcora.depois') IS NULL"), "t");
    EXPECT_EQ(prompt_.count_containing("Erro (42P01): "), 1);

    // Mended, the next start runs both, in order.
    std::ofstream(dir / "balcora1.sql", std::ios::binary)
        << "--SEQ 2001\nCREATE TABLE balcora.antes (id integer);\n--RUN--\n";
    fs::last_write_time(dir / "balcora1.sql",
                        fs::file_time_type::clock::now() + std::chrono::minutes(1));
    db::apply_schema_scripts();
    unsetenv("BALCORA_SQL_DIR");
    EXPECT_EQ(value("SELECT seqatual FROM balcora.cfg"), "2002");
    EXPECT_EQ(value("SELECT (to_regclass('balcora.antes') IS NOT NULL AND "
                    "to_regclass('balcora.depois') IS NOT NULL)::text"),
              "true");
}

}  // namespace balcora::test
