#include "ecf/aux_file.h"

#include "globals/globals.h"
#include "platform/ini_file.h"
#include "support/test_database.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace balcora::test {
namespace {

using util::Money;

TEST(AuxCripto, AppliedTwiceGivesBackAnyText) {
    std::mt19937 gen(20261207);
    std::uniform_int_distribution<int> length(0, 260);
    std::uniform_int_distribution<int> byte(1, 255);
    std::uniform_int_distribution<int> printable(32, 126);
    for (int n = 0; n < 2000; ++n) {
        std::string text(length(gen), ' ');
        const bool ascii = n % 2 == 0;
        for (char& c : text) c = static_cast<char>(ascii ? printable(gen) : byte(gen));
        const std::string once = CRIPTO(text);
        ASSERT_EQ(once.size(), text.size());
        ASSERT_EQ(CRIPTO(once), text) << "text #" << n;
    }
}

TEST(AuxCripto, CharactersOutsideTheTablePassThrough) {
    const std::string outside = " \"';#=[]\\\t\xc3\xa7";
    EXPECT_EQ(CRIPTO(outside), outside);
    const std::string mixed = CRIPTO("AB 12");
    EXPECT_EQ(mixed[2], ' ');
    EXPECT_NE(mixed.substr(0, 2), "AB");
}

TEST(AuxCripto, SameCharacterScramblesByItsPosition) {
    const std::string once = CRIPTO(std::string(81, '0'));
    // Every position of the cycle gives another character; none is a blank.
    EXPECT_EQ(std::set<char>(once.begin(), once.end()).size(), 81u);
    EXPECT_EQ(once.find(' '), std::string::npos);
}

TEST(AuxCripto, StoredFormNeverChanges) {
    // Auxiliary files already written depend on the table's arrangement.
    EXPECT_EQ(CRIPTO("000000000123456"), "UvVG(!-Hs4G_t!W");
    EXPECT_EQ(CRIPTO("SN-123 X"), "D-7Zfk T");
}

class AuxFileTest : public EnvTest {
  protected:
    std::filesystem::path file() const { return ecf::aux_file_path(); }
    std::string stored(std::string_view key) const {
        return platform::ini_read(file(), "PAFECF", key, "<none>");
    }
    void write_raw(const std::string& text) const {
        std::filesystem::create_directories(file().parent_path());
        std::ofstream(file(), std::ios::binary) << text;
    }
    void set_globals() {
        glo::numfab = "EP091000000000012345";
        glo::vlgt = Money::from_units(123456);
        glo::md5txt = "0123456789abcdef0123456789abcdef";
        glo::md5exe = "fedcba9876543210fedcba9876543210";
        glo::pafsn = 1;
        glo::dtenvredz = 82000;
    }
};

TEST_F(AuxFileTest, InstalledFileReadsBackIntoTheGlobals) {
    std::filesystem::remove_all(file().parent_path());  // creates its folder too
    set_globals();
    ASSERT_TRUE(ecf::install_aux_file());
    EXPECT_EQ(file(), root_.path() / "sistemas/balcora/pgms/ecf.txt");

    EXPECT_EQ(stored("vlgt"), CRIPTO("000000000123456"));
    EXPECT_EQ(stored("numfab"), CRIPTO("EP091000000000012345"));
    EXPECT_NE(stored("md5exe"), glo::md5exe);

    glo::reset_all();
    ASSERT_TRUE(LEARQAUXILIAR());
    EXPECT_EQ(glo::numfab, "EP091000000000012345");
    EXPECT_EQ(glo::vlgt, Money::from_units(123456));
    EXPECT_EQ(glo::md5txt, "0123456789abcdef0123456789abcdef");
    EXPECT_EQ(glo::md5exe, "fedcba9876543210fedcba9876543210");
    EXPECT_EQ(glo::pafsn, 1);
    EXPECT_EQ(glo::dtenvredz, 82000);
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(AuxFileTest, MissingFileIsShownAndForgetsThePrinter) {
    set_globals();
    EXPECT_FALSE(LEARQAUXILIAR());
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Aviso");
    EXPECT_EQ(prompt_.shown()[0].text,
              "Arquivo auxiliar \"" + file().string() + "\" não encontrado!");
    EXPECT_EQ(glo::numfab, "");
    EXPECT_EQ(glo::vlgt, Money{});
    EXPECT_EQ(glo::md5exe, "fedcba9876543210fedcba9876543210");
    EXPECT_EQ(glo::pafsn, 1);
    EXPECT_EQ(glo::dtenvredz, 82000);
}

TEST_F(AuxFileTest, WriterNeedsTheFileUnlessItWritesTheSerial) {
    set_globals();
    EXPECT_FALSE(GRAVAARQAUXILIAR());
    EXPECT_FALSE(std::filesystem::exists(file()));
    EXPECT_EQ(prompt_.count_containing("não encontrado!"), 1);

    prompt_.clear();
    EXPECT_TRUE(GRAVAARQAUXILIAR(true));
    EXPECT_TRUE(prompt_.shown().empty());
    EXPECT_EQ(stored("numfab"), CRIPTO("EP091000000000012345"));
    EXPECT_EQ(stored("md5exe"), "<none>");  // not one of the keys it writes
}

TEST_F(AuxFileTest, WriterKeepsTheSerialAndDigestsUnlessAsked) {
    set_globals();
    ASSERT_TRUE(ecf::install_aux_file());
    glo::numfab = "OTHER";
    glo::md5exe = "00000000000000000000000000000000";
    glo::vlgt = Money::from_units(999999999999999);
    glo::pafsn = 0;
    glo::dtenvredz = 82001;
    ASSERT_TRUE(GRAVAARQAUXILIAR());

    glo::reset_all();
    ASSERT_TRUE(LEARQAUXILIAR());
    EXPECT_EQ(glo::numfab, "EP091000000000012345");
    EXPECT_EQ(glo::md5exe, "fedcba9876543210fedcba9876543210");
    EXPECT_EQ(glo::vlgt, Money::from_units(999999999999999));
    EXPECT_EQ(glo::pafsn, 0);
    EXPECT_EQ(glo::dtenvredz, 82001);
}

TEST_F(AuxFileTest, SerialIsStoredWithoutSurroundingBlanks) {
    glo::numfab = " AB 12   ";
    ASSERT_TRUE(GRAVAARQAUXILIAR(true));
    glo::numfab.clear();
    ASSERT_TRUE(LEARQAUXILIAR());
    EXPECT_EQ(glo::numfab, "AB 12");
}

// Truncated, emptied or edited by hand: never read as a sound file with a
// zero grand total or a blank serial, and never patched into looking sound.
TEST_F(AuxFileTest, ADamagedFileIsRefusedByEveryReaderAndWriter) {
    set_globals();
    ASSERT_TRUE(ecf::install_aux_file());
    std::string sound;
    {
        std::ifstream in(file(), std::ios::binary);
        sound.assign(std::istreambuf_iterator<char>(in), {});
    }
    auto edited = [&](std::string_view key, const std::string& plain) {
        std::string text = sound;
        const std::string line = std::string(key) + "=" + stored(key);
        text.replace(text.find(line), line.size(), std::string(key) + "=" + CRIPTO(plain));
        return text;
    };
    const std::vector<std::pair<std::string, std::string>> damaged = {
        {"truncated", sound.substr(0, sound.find("vlgt=") + 9)},
        {"empty", ""},
        {"grand total with a letter", edited("vlgt", "0000000001234a6")},
        {"grand total cut short", edited("vlgt", "123456")},
        {"serial with a control character", edited("numfab", "EP09\x01")},
        {"serial with a character of no serial", edited("numfab", "EP09{}")},
        {"digest not hexadecimal", edited("md5exe", std::string(32, 'g'))},
        {"pafsn neither 0 nor 1", edited("pafsn", "7")},
        {"day with a sign", edited("dtenvredz", "-5")},
    };
    for (const auto& [kind, text] : damaged) {
        SCOPED_TRACE(kind);
        write_raw(text);
        prompt_.clear();
        ecf::AuxFileTexts texts;
        std::string damage;
        EXPECT_EQ(ecf::read_aux_file(texts, nullptr, &damage), ecf::AuxRead::kDamaged);
        EXPECT_FALSE(damage.empty());

        set_globals();
        EXPECT_FALSE(LEARQAUXILIAR());
        EXPECT_EQ(glo::numfab, "");
        EXPECT_EQ(glo::vlgt, Money{});
        EXPECT_EQ(prompt_.count_containing("\" danificado: "), 1);

        set_globals();
        EXPECT_FALSE(GRAVAARQAUXILIAR(true));
        std::ifstream in(file(), std::ios::binary);
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), text) << "left as it was";
    }
}

TEST_F(AuxFileTest, GarbageFileNeverCrashes) {
    std::mt19937 gen(7);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int n = 0; n < 50; ++n) {
        std::string junk(1 + n * 37, '\0');
        for (char& c : junk) c = static_cast<char>(byte(gen));
        if (n % 3 == 0) junk = "[PAFECF]\nvlgt=" + junk;
        write_raw(junk);
        EXPECT_FALSE(LEARQAUXILIAR()) << "file #" << n;
    }
    EXPECT_EQ(prompt_.count_containing("danificado"), 50);
}

TEST_F(AuxFileTest, KeysThatDoNotReachTheFileAreAnError) {
    // A file where the program folder should be: nothing can be written there.
    std::filesystem::remove_all(file().parent_path());
    std::ofstream(file().parent_path()) << "x";
    set_globals();
    EXPECT_FALSE(GRAVAARQAUXILIAR(true));
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Erro");
    EXPECT_EQ(prompt_.shown()[0].text, "Erro123 ao gravar arquivo \"" + file().string() + "\"");

    prompt_.clear();
    EXPECT_FALSE(ecf::install_aux_file());
    EXPECT_EQ(prompt_.count_containing("Erro123 ao gravar arquivo"), 1);
}

TEST_F(AuxFileTest, FolderInPlaceOfTheFileIsNeitherReadNorReplaced) {
    std::filesystem::create_directories(file() / "inside");
    set_globals();
    EXPECT_FALSE(GRAVAARQAUXILIAR(true));
    EXPECT_EQ(prompt_.count_containing("ao abrir o arquivo " + file().string()), 1);
    EXPECT_TRUE(std::filesystem::exists(file() / "inside"));
    EXPECT_FALSE(LEARQAUXILIAR());
    EXPECT_EQ(glo::numfab, "");
}

TEST_F(AuxFileTest, GrandTotalTextHasFifteenDigits) {
    EXPECT_EQ(ecf::grand_total_text(Money::from_units(123456)), "000000000123456");
    EXPECT_EQ(ecf::grand_total_text(Money{}), "000000000000000");
    EXPECT_EQ(ecf::grand_total_text(Money::from_units(1234567890123456)), "1234567890123456");
}

}  // namespace
}  // namespace balcora::test
