#include "platform/file_write.h"
#include "platform/exchange_file.h"
#include "platform/ini_file.h"
#include "support/temp_root.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>

namespace balcora::test {
namespace {

namespace fs = std::filesystem;

unsigned mode_of(const fs::path& p) {
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0 ? (st.st_mode & 07777) : 07777;
}

std::string contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// Files other programs could have put in the program's way are refused at
// once, with a reason, and never followed or read whole: a FIFO (which held
// the reader for ever), a sparse 1 GiB file, a link.
TEST(ExchangeFile, AFifoAHugeFileOrALinkIsRefusedWithoutWaitingOrReading) {
    TempRoot tmp;
    const fs::path fifo = tmp.path() / "fifo.ini";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    platform::ExchangeFile f = platform::read_exchange_file(fifo);
    EXPECT_EQ(f.outcome, platform::ExchangeRead::kNotRegular);
    EXPECT_EQ(platform::exchange_read_reason(f), "não é um arquivo comum");
    EXPECT_EQ(platform::ini_read(fifo, "a", "b", "padrão"), "padrão");
    EXPECT_FALSE(platform::ini_write(fifo, "a", "b", "c"));

    const fs::path huge = tmp.path() / "grande.ini";
    std::ofstream(huge) << "[a]\nb=c\n";
    fs::resize_file(huge, std::uintmax_t{1} << 30);
    f = platform::read_exchange_file(huge);
    EXPECT_EQ(f.outcome, platform::ExchangeRead::kTooLarge);
    EXPECT_TRUE(f.bytes.empty());
    EXPECT_EQ(platform::exchange_read_reason(f), "tem mais de 1 MiB");
    EXPECT_EQ(platform::ini_read(huge, "a", "b", "padrão"), "padrão");

    const fs::path secret = tmp.path() / "segredo.txt";
    std::ofstream(secret) << "s3nha";
    const fs::path link = tmp.path() / "IntPos.001";
    fs::create_symlink(secret, link);
    EXPECT_EQ(platform::read_exchange_file(link).outcome, platform::ExchangeRead::kNotRegular);
    EXPECT_EQ(platform::read_exchange_file(link, platform::Links::kFollow).bytes, "s3nha");
    EXPECT_EQ(platform::read_exchange_file(tmp.path() / "nada").outcome,
              platform::ExchangeRead::kMissing);

    // A link planted at a name the program creates: the name is taken back,
    // the link's target is never written.
    const fs::path tmp_name = tmp.path() / "IntPos.tmp";
    fs::create_symlink(secret, tmp_name);
    EXPECT_EQ(platform::write_new_file(tmp_name, "000-000 = ATV\r\n", 0644), 0);
    EXPECT_EQ(contents(secret), "s3nha");
    EXPECT_FALSE(fs::is_symlink(tmp_name));
    EXPECT_EQ(contents(tmp_name), "000-000 = ATV\r\n");
    fs::remove(tmp_name);
    fs::create_directory(tmp_name);  // what cannot be removed is refused
    EXPECT_NE(platform::write_new_file(tmp_name, "x", 0644), 0);
    EXPECT_TRUE(fs::is_directory(tmp_name));
}

// A rewrite never widens a mode: a file an administrator made private stays
// so (the INI writer used to save a temporary file 0644 and rename it), a
// secret-holding file is created 0600 and an older one narrowed to 0600, and
// a link at the temporary name does not receive the text.
TEST(FileWrite, SecretsKeepTheirModeAfterEveryRewrite) {
    TempRoot tmp;
    const fs::path ini = tmp.path() / "pgms" / "xsginws.ini";
    ASSERT_TRUE(platform::ini_write(ini, "Config", "Senha", "s3nha", platform::Privacy::kPrivate));
    EXPECT_EQ(mode_of(ini), 0600u);

    const fs::path shared = tmp.path() / "balcora.ini";
    ASSERT_TRUE(platform::ini_write(shared, "PDV", "Porta COM1", "1"));
    EXPECT_EQ(mode_of(shared) & 0600, 0600u);
    fs::permissions(shared, fs::perms::owner_read | fs::perms::owner_write);
    const fs::path victim = tmp.path() / "alvo";
    std::ofstream(victim) << "intocado";
    fs::create_symlink(victim, shared.string() + ".tmp");
    ASSERT_TRUE(platform::ini_write(shared, "PDV", "Porta COM2", "2"));
    EXPECT_EQ(mode_of(shared), 0600u);
    EXPECT_EQ(contents(victim), "intocado");
    EXPECT_EQ(platform::ini_read(shared, "PDV", "Porta COM1"), "1");

    fs::permissions(ini, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                             fs::perms::others_read);
    ASSERT_TRUE(platform::ini_write(ini, "Envio", "AcaoEnvio", "EnviarReducaoZ",
                                    platform::Privacy::kPrivate));
    EXPECT_EQ(mode_of(ini), 0600u);
    EXPECT_EQ(platform::ini_read(ini, "Config", "Senha"), "s3nha");

    const fs::path secret = tmp.path() / "privado" / "smtp.senha";
    ASSERT_EQ(platform::write_private_file(secret, "x"), 0);
    fs::permissions(secret.parent_path(), fs::perms::all);
    ASSERT_EQ(platform::write_private_file(secret, "y"), 0);
    EXPECT_EQ(mode_of(secret.parent_path()), 0700u);
    EXPECT_EQ(mode_of(secret), 0600u);
    EXPECT_EQ(contents(secret), "y");
}

}  // namespace
}  // namespace balcora::test
