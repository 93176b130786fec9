#include "fiscal/ead_signing.h"
#include "db/settings.h"
#include "platform/process.h"
#include "support/test_database.h"

#include <chrono>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace balcora::test {

namespace {

std::string read_all(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write_all(const fs::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary | std::ios::trunc) << text;
}

int count_ead_lines(const std::string& text) {
    int n = 0;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind("EAD", 0) == 0) ++n;
    return n;
}

}  // namespace

class EadSigning : public DbTest {
  protected:
    fs::path folder() { return fiscal::pafecf_folder(); }
};

TEST_F(EadSigning, TextFileCarriesOneEadThatTheStockOpensslToolAccepts) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "razao", "Automação Ágil"));
    ASSERT_TRUE(fiscal::write_public_key_file(false));
    const fs::path key = folder() / "Automacao Agil.xml";
    ASSERT_TRUE(fs::exists(key));

    const fs::path file = folder() / "registros.txt";
    write_all(file, "U1123\r\nA2  com espaco  \r\n");
    ASSERT_TRUE(ASSINATURAEAD(file.string()));
    // Signing again (a file handed back for correction) replaces the EAD.
    ASSERT_TRUE(ASSINATURAEAD(file.string()));
    const std::string signed_text = read_all(file);
    EXPECT_EQ(count_ead_lines(signed_text), 1);
    EXPECT_EQ(signed_text.rfind("U1123\r\nA2  com espaco  \r\nEAD", 0), 0u);
    EXPECT_EQ(signed_text.size(), 25u + 3 + 256 + 2);
    EXPECT_TRUE(fiscal::verify_ead(file));

    const auto check =
        platform::run_program({std::string(BALCORA_SOURCE_DIR) + "/scripts/verify-ead-openssl",
                               file.string(), key.string()});
    EXPECT_EQ(check.exit_code, 0) << check.output;

    std::string tampered = signed_text;
    tampered[3] = '9';
    write_all(file, tampered);
    EXPECT_FALSE(fiscal::verify_ead(file));
    EXPECT_NE(
        platform::run_program({std::string(BALCORA_SOURCE_DIR) + "/scripts/verify-ead-openssl",
                               file.string(), key.string()})
            .exit_code,
        0);
}

TEST_F(EadSigning, PublicKeyFileIsWrittenExactlyOnceAndNeverRewritten) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "razao", "Dev/Soft "));
    ASSERT_TRUE(fiscal::write_public_key_file());
    const fs::path key = folder() / "Dev-Soft.xml";
    const std::string text = read_all(key);
    EXPECT_EQ(text.rfind("<?xml version=\"1.0\"?>\r\n\r\n<empresa_desenvolvedora>\r\n\r\n\t<nome>"
                         "Dev-Soft</nome>\r\n\r\n\t<chave>\r\n\t\t<modulo>",
                         0),
              0u);
    EXPECT_NE(text.find(std::string("<modulo>") + fiscal::signing_modulus() +
                        "</modulo>\r\n\r\n\t\t<expoente_publico>11</expoente_publico>\r\n\t</"
                        "chave>\r\n\r\n</empresa_desenvolvedora>"),
              std::string::npos);
    EXPECT_NE(text.back(), '\n');
    EXPECT_EQ(prompt_.count_containing("gerado com sucesso!"), 1);

    // A changed name in the file is kept; a file that lost the key is
    // reported, and left for the technician to remove.
    write_all(key, "<nome>Outro</nome>" + text.substr(text.find("\t<chave>")));
    EXPECT_TRUE(fiscal::write_public_key_file());
    write_all(key, text.substr(0, 200));
    EXPECT_FALSE(fiscal::write_public_key_file());
    EXPECT_EQ(read_all(key), text.substr(0, 200));
    EXPECT_EQ(prompt_.count_containing("gerado com sucesso!"), 1);
    EXPECT_EQ(prompt_.count_containing("está danificado"), 1);
}

TEST_F(EadSigning, BinaryFileGetsACompanionSignatureOverEveryByte) {
    const fs::path file = folder() / "MF0001.mf";
    write_all(file, std::string("\x00\x01\xFF\r\nEADxx", 9));
    ASSERT_TRUE(ASSINATURAEAD(file.string(), 2));
    const std::string companion = read_all(file.string() + ".txt");
    EXPECT_EQ(companion.size(), 3u + 256 + 2);
    EXPECT_EQ(read_all(file), std::string("\x00\x01\xFF\r\nEADxx", 9));
    EXPECT_TRUE(fiscal::verify_ead(file));
    write_all(file, std::string("\x00\x01\xFE\r\nEADxx", 9));
    EXPECT_FALSE(fiscal::verify_ead(file));
}

TEST_F(EadSigning, PrinterFileIsCopiedWithoutEadLinesAndSignedUnderItsNewName) {
    const fs::path source = folder() / "COTEPE.TXT";
    write_all(source, "E00 cabecalho   \r\nEAD antigo no meio\r\n\r\nE14 item\r\nEADFFFF\r\n");
    const fs::path target = folder() / "MFBV0001_20261207_100001.txt";
    ASSERT_TRUE(ATUALIZAEAD(source.string(), target.string()));
    EXPECT_FALSE(fs::exists(source));
    const std::string text = read_all(target);
    EXPECT_EQ(text.rfind("E00 cabecalho\r\n\r\nE14 item\r\nEAD", 0), 0u);
    EXPECT_EQ(count_ead_lines(text), 1);
    EXPECT_TRUE(fiscal::verify_ead(target));

    // A source that is gone leaves nothing behind under the final name.
    EXPECT_FALSE(ATUALIZAEAD((folder() / "sumiu.txt").string(), (folder() / "novo.txt").string()));
    EXPECT_FALSE(fs::exists(folder() / "novo.txt"));
    EXPECT_EQ(prompt_.count_containing("Erro2 ("), 1);
}

TEST_F(EadSigning, NewestFileOfAFolderIsFoundByItsModificationTime) {
    const fs::path dir = root_.path() / "vazia";
    fs::create_directories(dir);
    EXPECT_EQ(ULTIMOARQSALVO(dir.string()), "");
    write_all(dir / "b.txt", "b");
    write_all(dir / "a.txt", "a");
    fs::create_directories(dir / "pasta");
    const auto now = fs::file_time_type::clock::now();
    fs::last_write_time(dir / "b.txt", now - std::chrono::seconds(1));
    fs::last_write_time(dir / "a.txt", now);
    fs::last_write_time(dir / "pasta", now + std::chrono::hours(1));
    EXPECT_EQ(ULTIMOARQSALVO(dir.string()), (dir / "a.txt").string());
}

}  // namespace balcora::test
