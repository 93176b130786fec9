#include "db/settings.h"
#include "db/query_sql.h"
#include "support/test_database.h"

namespace balcora::test {

class Settings : public DbTest {};

TEST_F(Settings, MissingKeysGiveTheirDefaultsAlsoAsNumbers) {
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "PercDesc", "50"), "50");
    EXPECT_EQ(registro_number("PAF-ECF", "PercDesc", 50), 50);
    EXPECT_EQ(LEREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "N"), "N");
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "Chave IBPT"), "");
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(Settings, WritesCreateThenUpdateOneRowInRegistro) {
    ASSERT_TRUE(
        GRAVAREGISTRO("balcora", "Configuração", "Abrir Quick Sale ao iniciar Balcora", "1"));
    ASSERT_TRUE(
        GRAVAREGISTRO("balcora", "Configuração", "Abrir Quick Sale ao iniciar Balcora", "0"));
    EXPECT_EQ(LEREGISTRO("balcora", "Configuração", "Abrir Quick Sale ao iniciar Balcora", "9"),
              "0");
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.registro WHERE chave='Configuração'"), "1");
    // An empty stored value is a value, not a missing key.
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Email", ""));
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "Email", "padrao"), "");
}

TEST_F(Settings, TextsWithApostrophesAndBackslashesAreStoredIntact) {
    const std::string section = "PAF-ECF.Loja d'Água", value = "c:\\pasta\\'x'";
    ASSERT_TRUE(GRAVAREGISTRO("balcora", section, "chave 'estranha'", value));
    EXPECT_EQ(LEREGISTRO("balcora", section, "chave 'estranha'"), value);
    // Long values come back whole, not cut at the shared record's widths.
    std::string text;
    while (text.size() < 10000) text += "ação'\\" + std::to_string(text.size()) + ";";
    ASSERT_TRUE(GRAVAREGISTRO("balcora", section, "longa", text));
    EXPECT_EQ(LEREGISTRO("balcora", section, "longa"), text);
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(Settings, NumbersReadFromTextAreZeroWhenNotNumeric) {
    GRAVAREGISTRO("balcora", "Backup", "Tamanho", "abc");
    EXPECT_EQ(registro_number("Backup", "Tamanho", 7), 0);
    GRAVAREGISTRO("balcora", "Backup", "Tamanho", " 1024 ");
    EXPECT_EQ(registro_number("Backup", "Tamanho", 7), 1024);
    EXPECT_EQ(text_to_integer("12.50"), 12);
    EXPECT_EQ(text_to_integer("-3"), -3);
    EXPECT_EQ(text_to_integer("12a"), 0);
    EXPECT_EQ(text_to_integer(""), 0);
}

TEST_F(Settings, AnApplicationNameThatIsNoIdentifierNeverReachesTheSql) {
    EXPECT_EQ(LEREGISTRO("balcora; DROP TABLE x", "a", "b", "def"), "def");
    EXPECT_FALSE(GRAVAREGISTRO("balcora.registro --", "a", "b", "c"));
    EXPECT_TRUE(prompt_.shown().empty());
}

class IniSettings : public EnvTest {};

TEST_F(IniSettings, BareNamesLiveInTheIniFolderAndKeysKeepBlanksAndAccents) {
    ASSERT_TRUE(write_ini("PDV", "Configuração OK", "1", "balcora.ini"));
    EXPECT_EQ(read_ini("PDV", "Configuração OK", "0", "balcora.ini"), "1");
    EXPECT_EQ(read_ini_number("PDV", "Configuração OK", 0, "balcora.ini"), 1);
    EXPECT_TRUE(std::filesystem::exists(root_.path() / "windows" / "balcora.ini"));
    ASSERT_TRUE(
        write_ini("BALCORA", "Confirma Auto", "1", "c:\\sistemas\\balcora\\pgms\\balcora.cfg"));
    EXPECT_TRUE(std::filesystem::exists(root_.path() / "sistemas/balcora/pgms/balcora.cfg"));
    EXPECT_EQ(read_ini("PDV", "ausente", "padrão", "balcora.ini"), "padrão");
    EXPECT_EQ(read_ini("PDV", "x", "d", "nao_existe.ini"), "d");
}

}  // namespace balcora::test
