#include "backup/backup.h"
#include "backup/backup_files.h"
#include "backup/backup_restore.h"
#include "backup/backup_tools.h"
#include "credentials/pg_password_file.h"
#include "db/pg_handles.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "demo/demo_data.h"
#include "platform/process.h"
#include "support/backup_target.h"
#include "support/test_database.h"

#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace balcora::test {

namespace fs = std::filesystem;

namespace {

std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_text(const fs::path& file, const std::string& text) {
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << text;
}

void write_script(const fs::path& file, const std::string& text) {
    write_text(file, "#!/bin/sh\n" + text);
    fs::permissions(file, fs::perms::owner_all);
}

}  // namespace

TEST(BackupNames, WeekdayFilesAndTheDumpToolVersionRule) {
    EXPECT_EQ(shell::weekday_backup_name(util::day_number(2026, 12, 6)),
              "balcora_backup_Dom.pgsql");
    EXPECT_EQ(shell::weekday_backup_name(util::day_number(2026, 12, 7)),
              "balcora_backup_Seg.pgsql");
    EXPECT_EQ(shell::weekday_backup_name(util::day_number(2026, 12, 12)),
              "balcora_backup_Sab.pgsql");
    // The file of a run in progress must never count as a day's backup.
    const fs::path partial = shell::unverified_backup_file("/b", util::day_number(2026, 12, 7));
    EXPECT_FALSE(shell::is_weekday_backup_name(partial.filename().string()));

    // 9.6 is older than 10, though "9" sorts after "1" as text.
    EXPECT_EQ(shell::major_of_version_line("pg_dump (PostgreSQL) 9.6.24"), 906);
    EXPECT_EQ(shell::major_of_version_line("pg_dump (PostgreSQL) 15.4 (Debian 15.4-1.pgdg)"), 1500);
    EXPECT_LT(shell::major_of_version_line("pg_dump (PostgreSQL) 9.6.24"),
              shell::major_of_server_number(100023));
    EXPECT_EQ(shell::major_of_server_number(90624), 906);
    EXPECT_EQ(shell::major_text(906), "9.6");
    EXPECT_EQ(shell::major_of_version_line("pg_dump: command not found"), 0);
}

TEST(BackupPasswordFile, KeepsTheEntryCommentsAStaleOneAndEscapesTheSeparators) {
    const fs::path dir = fs::temp_directory_path() / ("pgpass_test_" + std::to_string(getpid()));
    const fs::path file = dir / "novo" / "pgpass";
    // Missing folder and file are made, readable by the owner only.
    EXPECT_EQ(shell::keep_pg_password_entry(file, "localhost", 5433, "balcora", "velha"), "");
    EXPECT_EQ(read_text(file), "localhost:5433:*:balcora:velha\n");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);

    write_text(file, "outro:5432:*:x:y\nlocalhost:5433:*:balcora:velha\n");
    EXPECT_EQ(shell::keep_pg_password_entry(file, "localhost", 5433, "balcora", "velha"), "");
    EXPECT_EQ(read_text(file), "outro:5432:*:x:y\nlocalhost:5433:*:balcora:velha\n");

    EXPECT_EQ(shell::keep_pg_password_entry(file, "localhost", 5433, "balcora", "a:b\\c"), "");
    EXPECT_EQ(
        read_text(file),
        "outro:5432:*:x:y\n#localhost:5433:*:balcora:velha\nlocalhost:5433:*:balcora:a\\:b\\\\c\n");

    // A file that cannot be written is reported with its name.
    const std::string error =
        shell::keep_pg_password_entry(file / "sob_arquivo", "localhost", 1, "u", "p");
    EXPECT_EQ(error.rfind("Erro (", 0), 0u) << error;
    EXPECT_NE(error.find((file / "sob_arquivo").string()), std::string::npos) << error;
    fs::remove_all(dir);
}

class Backup : public DbTest {
  protected:
    Backup() {
        DEFINEHASH();
        EXPECT_TRUE(load_demo_data());
        // Twenty coupons with their items and payments, sealed by their hashes;
        // one of a distinctive total for the tampering below.
        run("INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, num_cro, numero, num_ccf, data, "
            "total, vl_desconto, vl_acrescimo, situacao) SELECT 1, 1, 1, g, g, '2026-12-07', "
            "CASE WHEN g = 7 THEN 4321.09 ELSE 60.00 END, 0, 0, 'E' FROM generate_series(1, 20) "
            "g");
        run("UPDATE balcora.cfiscal SET hash=" + db::hash_expression("cfiscal"));
        run("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, qtdade, preco, total, "
            "vl_desconto, vl_acrescimo, item_cancelado, totalizador, descricao, unidade) SELECT "
            "c.id_cfiscal, i, 1, 2.000, 5.000, 10.00, 0, 0, 0, '01T1800', 'ITEM ' || i, 'UN' "
            "FROM balcora.cfiscal c, generate_series(1, 6) i");
        run("UPDATE balcora.cfiscald SET hash=" + db::hash_expression("cfiscald"));
        run("INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, valor, vl_troco, num_coo, "
            "num_coo_cf, num_gnf) SELECT id_cfiscal, 1, 'DI', total, 0, numero, 0, 0 FROM "
            "balcora.cfiscal");
        run("UPDATE balcora.cfiscalfp SET hash=" + db::hash_expression("cfiscalfp"));
        target_ = backup_target_of(db_, root_.path());
        // Sunday's copy, made yesterday: no run of today may touch it.
        write_text(sunday(), "copia de domingo");
        GRAVAREGISTRO("balcora", "Backup", "Situacao", "1");
    }
    static void run(const std::string& sql) { ASSERT_FALSE(QUERYSQL(sql).empty()) << sql; }

    fs::path sunday() const { return target_.folder / "balcora_backup_Dom.pgsql"; }
    fs::path monday() const { return target_.folder / "balcora_backup_Seg.pgsql"; }
    long long situacao() const { return registro_number("Backup", "Situacao", -1); }

    bool backup() {
        prompt_.clear();
        shell::BackupRun run(target_);
        return shell::run_backup(run);
    }
    // After a failed run: the failure said, nothing of today's left, the
    // rest of the week as it was.
    void expect_failed_run(const std::string& said) {
        EXPECT_FALSE(backup()) << said;
        EXPECT_EQ(prompt_.count_containing(said), 1) << said;
        EXPECT_EQ(situacao(), 0) << said;
        EXPECT_FALSE(fs::exists(monday())) << said;
        EXPECT_FALSE(fs::exists(shell::unverified_backup_file(target_.folder, today()))) << said;
        EXPECT_EQ(read_text(sunday()), "copia de domingo") << said;
    }
    // A folder of client programs: the real ones, with pg_dump replaced.
    void fake_pg_dump(const std::string& folder, const std::string& script) {
        const fs::path real = shell::postgres_client_folder();
        target_.tools = root_.path() / folder;
        fs::create_directories(target_.tools);
        fs::create_symlink(real / "pg_restore", target_.tools / "pg_restore");
        write_script(target_.tools / "pg_dump",
                     "REAL=" + (real / "pg_dump").string() + "\n" + script);
    }
    bool database_exists(const std::string& name) {
        std::string error;
        auto admin = db::PgConnection::open(target_.admin_conninfo + " dbname=postgres", &error);
        return admin &&
               admin->exec("SELECT 1 FROM pg_database WHERE datname='" + name + "'").rows() == 1;
    }

    shell::BackupTarget target_;
};

TEST_F(Backup, AVerifiedCopyOfADatabaseWithSalesTakesTheWeekdayNameAndRestores) {
    ASSERT_TRUE(backup()) << (prompt_.shown().empty() ? "" : prompt_.shown().back().text);
    EXPECT_EQ(prompt_.count_containing("Cópia de segurança concluída e verificada"), 1);
    EXPECT_EQ(situacao(), 1);
    EXPECT_EQ(registro_number("Backup", "Tamanho"),
              static_cast<long long>(fs::file_size(monday())));
    EXPECT_EQ(read_text(monday()).substr(0, 5), "PGDMP");
    EXPECT_EQ(read_text(sunday()), "copia de domingo");
    EXPECT_FALSE(database_exists(db_.name() + "_verifica_backup"));
    // The socket asks no password: the role's password is not copied to the client's file.
    EXPECT_FALSE(fs::exists(target_.password_file));
    const auto week = shell::list_backup_files(target_.folder);
    EXPECT_TRUE(week[1].verified);
    EXPECT_FALSE(week[0].verified);  // Sunday's was never checked

    // A second run the same day replaces the file.
    ASSERT_TRUE(backup());

    // The technician's way back: into a new database, never over one.
    const std::string restored = db_.name() + "_r";
    EXPECT_EQ(shell::restore_backup(target_, monday(), restored, [] {}), "");
    EXPECT_NE(shell::restore_backup(target_, monday(), restored, [] {}), "");
    std::string error;
    auto copy = db::PgConnection::open(target_.admin_conninfo + " dbname=" + restored, &error);
    ASSERT_TRUE(copy) << error;
    EXPECT_EQ(copy->exec("SELECT count(*) FROM balcora.cfiscald").value(0, 0), "120");
    copy.reset();
    auto admin = db::PgConnection::open(target_.admin_conninfo + " dbname=postgres", &error);
    admin->exec("DROP DATABASE " + restored + " WITH (FORCE)");
}

TEST_F(Backup, AFailedRunLeavesSituacaoZeroAndNoFileUnderTheWeekdaysName) {
    const shell::BackupTarget good = target_;
    target_.port = 1;
    expect_failed_run("Erro ao conectar ao banco de dados para a cópia");

    target_ = good;
    write_text(root_.path() / "arquivo", "");
    target_.folder = root_.path() / "arquivo" / "backup";
    EXPECT_FALSE(backup());
    EXPECT_EQ(prompt_.count_containing("ao criar o arquivo"), 1);
    EXPECT_EQ(situacao(), 0);

    // A disk that fills during the dump: a tiny file system, where the
    // machine lets the test mount one.
    const fs::path tiny = root_.path() / "cheio";
    fs::create_directories(tiny);
    if (platform::run_program({"mount", "-t", "tmpfs", "-o", "size=48k", "tmpfs", tiny.string()})
            .ok()) {
        target_.folder = tiny;
        write_text(sunday(), "copia de domingo");
        expect_failed_run("Cópia de segurança não realizada: o pg_dump terminou com código 1");
        platform::run_program({"umount", tiny.string()});
    }

    target_ = good;
    target_.tools = root_.path() / "sem_postgresql";
    expect_failed_run("necessário para cópia de segurança!");

    target_ = good;
    fake_pg_dump("morto", "[ \"$1\" = --version ] && exec \"$REAL\" --version\nkill -9 $$\n");
    expect_failed_run("o pg_dump interrompido (sinal 9)");

    // A tool older than the server is refused before it runs.
    target_ = good;
    fake_pg_dump("antigo", "echo 'pg_dump (PostgreSQL) 9.3.3'\n");
    expect_failed_run("não é compativel! Atualizar para versão");
}

// A login that may not create databases (often a remote server's) still
// keeps the shop backed up: the copy is read to its end instead of restored,
// the check named as the weaker one and what it lacked said.
TEST_F(Backup, ALoginThatMayNotCreateDatabasesStillBacksUpWithTheWeakerCheckNamed) {
    std::string error;
    auto admin = db::PgConnection::open(target_.admin_conninfo + " dbname=postgres", &error);
    ASSERT_TRUE(admin) << error;
    ASSERT_TRUE(admin
                    ->exec("DO $$BEGIN IF NOT EXISTS (SELECT 1 FROM pg_roles WHERE "
                           "rolname='balcora_sem_createdb') THEN CREATE ROLE "
                           "balcora_sem_createdb NOLOGIN NOCREATEDB; END IF; END$$")
                    .ok());
    ASSERT_TRUE(admin->exec("GRANT balcora_sem_createdb TO " + target_.user).ok());
    admin.reset();
    target_.admin_conninfo =
        shell::role_conninfo(target_) + " options='-c role=balcora_sem_createdb'";

    ASSERT_TRUE(backup()) << (prompt_.shown().empty() ? "" : prompt_.shown().back().text);
    EXPECT_EQ(prompt_.count_containing("Cópia de segurança concluída, com verificação parcial"), 1);
    EXPECT_EQ(prompt_.count_containing("criar o banco temporário da verificação completa "
                                       "(CREATEDB)"),
              1);
    EXPECT_EQ(situacao(), 1);
    EXPECT_EQ(read_text(monday()).substr(0, 5), "PGDMP");
    EXPECT_FALSE(shell::list_backup_files(target_.folder)[1].verified);

    // A file that is not whole is still discarded.
    fake_pg_dump("cortado",
                 "[ \"$1\" = --version ] && exec \"$REAL\" --version\n"
                 "out=\nprev=\nfor a in \"$@\"; do [ \"$prev\" = -f ] && out=$a; prev=$a; done\n"
                 "\"$REAL\" \"$@\" || exit $?\n"
                 "truncate -s 3000 \"$out\"\n");
    EXPECT_FALSE(backup());
    EXPECT_EQ(prompt_.count_containing("não pôde ser lida por inteiro"), 1);
    EXPECT_EQ(situacao(), 0);
    EXPECT_FALSE(fs::exists(shell::unverified_backup_file(target_.folder, today())));
}

TEST_F(Backup, TheRestoreCheckCatchesATamperedDump) {
    // The dump comes out uncompressed and one coupon's total is changed in
    // it: the archive still restores without a complaint.
    fake_pg_dump("adulterado",
                 "[ \"$1\" = --version ] && exec \"$REAL\" --version\n"
                 "out=\nprev=\nfor a in \"$@\"; do [ \"$prev\" = -f ] && out=$a; prev=$a; done\n"
                 "\"$REAL\" -Z0 \"$@\" || exit $?\n"
                 "sed -i 's/4321\\.09/4321.08/' \"$out\"\n");
    expect_failed_run("não confere com o banco de dados");
    EXPECT_EQ(prompt_.count_containing("balcora.cfiscal: conteúdo dos registros"), 1)
        << prompt_.shown().back().text;
}

}  // namespace balcora::test
