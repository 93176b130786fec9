#include "platform/ini_file.h"
#include "support/temp_root.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

namespace balcora::test {

namespace fs = std::filesystem;

static std::string contents(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

TEST(IniFile, ReadsWhatWindowsWroteAndKeepsOtherKeys) {
    TempRoot tmp;
    fs::path f = tmp.path() / "balcora.ini";
    std::ofstream(f, std::ios::binary) << "[Configuracao]\r\nUsuario=postgres\r\nPorta=5433\r\n"
                                          "[PDV]\r\nConfiguração OK=1\r\n";
    EXPECT_EQ(platform::ini_read(f, "Configuracao", "Porta"), "5433");
    EXPECT_EQ(platform::ini_read(f, "pdv", "configuração ok"), "1");  // case does not matter
    ASSERT_TRUE(platform::ini_write(f, "Configuracao", "Senha", "s3nha=com;sinais"));
    EXPECT_EQ(platform::ini_read(f, "Configuracao", "Senha"), "s3nha=com;sinais");
    EXPECT_EQ(platform::ini_read(f, "Configuracao", "Usuario"), "postgres");
    EXPECT_EQ(platform::ini_read(f, "PDV", "Configuração OK"), "1");
    EXPECT_NE(contents(f).find("Senha=s3nha=com;sinais"), std::string::npos);
    EXPECT_FALSE(fs::exists(f.string() + ".tmp"));
}

TEST(IniFile, DamagedOrMissingFilesReadAsDefaults) {
    TempRoot tmp;
    fs::path f = tmp.path() / "lixo.ini";
    std::ofstream(f, std::ios::binary) << std::string("\xff\xfe\x00[[[=\n==\n[sem fim\nchave", 30);
    EXPECT_EQ(platform::ini_read(f, "a", "b", "padrão"), "padrão");
    EXPECT_EQ(platform::ini_read(tmp.path() / "nao_existe.ini", "a", "b", "x"), "x");
    // A folder where the file should be is neither read nor replaced.
    fs::create_directory(tmp.path() / "pasta.ini");
    EXPECT_EQ(platform::ini_read(tmp.path() / "pasta.ini", "a", "b", "x"), "x");
    EXPECT_FALSE(platform::ini_write(tmp.path() / "pasta.ini", "a", "b", "c"));
    EXPECT_TRUE(fs::is_directory(tmp.path() / "pasta.ini"));
}

TEST(IniFile, WritingCreatesTheFolderAndTheFile) {
    TempRoot tmp;
    fs::path f = tmp.path() / "novo" / "sub" / "x.ini";
    ASSERT_TRUE(platform::ini_write(f, "Geral", "chave com espaço", "valor"));
    EXPECT_EQ(platform::ini_read(f, "Geral", "chave com espaço"), "valor");
}

}  // namespace balcora::test
