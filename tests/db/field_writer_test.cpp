#include "db/field_writer.h"

#include "support/test_database.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace balcora::test {
namespace {

class FieldWriterTest : public EnvTest {
  protected:
    FieldWriterTest() { db::set_output_file_name((root_.path() / "out.txt").string()); }
    ~FieldWriterTest() override { db::close_output_file(); }

    std::string contents() const {
        std::ifstream in(root_.path() / "out.txt", std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The bytes one field puts into a fresh file.
    std::string written(std::string_view value, std::string_view code, int width) {
        EXPECT_EQ(db::create_output_file(), 0);
        GRAVACAMPO(value, code, width);
        EXPECT_EQ(db::close_output_file(), 0);
        return contents();
    }
};

TEST_F(FieldWriterTest, NumbersAtFixedWidthAreZeroFilled) {
    EXPECT_EQ(written("42", "N", 5), "00042");
    EXPECT_EQ(written("1.5", "N2", 7), "0001.50");
    EXPECT_EQ(written("1.5", "N2,", 7), "0001,50");
    EXPECT_EQ(written("0.1", "N6,", 10), "000,100000");
    EXPECT_EQ(written("1234.5", "N3", 8), "1234.500");
    EXPECT_EQ(written("", "N2", 7), "0000.00");
    EXPECT_EQ(written("", "N", 3), "000");
    // Integer codes keep digits only, so a decimal point simply disappears.
    EXPECT_EQ(written("2.5", "N", 7), "0000025");
    EXPECT_EQ(written("12", "N9", 4), "0012");
    // Signs, blanks and grouping marks are dropped before formatting.
    EXPECT_EQ(written(" -1,234.50", "N2", 9), "001234.50");
    EXPECT_EQ(written("12", "n2", 6), "012.00");
}

TEST_F(FieldWriterTest, ExcessDecimalsRoundHalfUpExactly) {
    EXPECT_EQ(written("1.005", "N2", 5), "01.01");
    EXPECT_EQ(written("1.00499999", "N2", 5), "01.00");
    EXPECT_EQ(written("9.995", "N2", 6), "010.00");
    EXPECT_EQ(written("99.99995", "N4,", 8), "100,0000");
    // Far beyond what a double holds exactly.
    EXPECT_EQ(written("12345678901234567.125", "N2", 20), "12345678901234567.13");
}

TEST_F(FieldWriterTest, NumberTooWideForItsFieldIsMarkedNotCut) {
    EXPECT_EQ(written("123456", "N", 3), "***");
    EXPECT_EQ(written("99.995", "N2", 5), "*****");
    EXPECT_EQ(written(std::string(21, '9'), "N", -1), std::string(20, '*'));
}

TEST_F(FieldWriterTest, NumbersAtFreeLength) {
    EXPECT_EQ(written("-15.00", "N2,", -1), "15,00");
    EXPECT_EQ(written("007", "N", -1), "7");
    EXPECT_EQ(written("2.5", "N3", -1), "2.500");
    EXPECT_EQ(written("0", "N4", -1), "0.0000");
    EXPECT_EQ(written(std::string(20, '9'), "N", -1), std::string(20, '9'));
    EXPECT_EQ(written("", "N2", -1), "");
    EXPECT_EQ(written("    ", "N", -1), "");
}

TEST_F(FieldWriterTest, TextIsPaddedOrCut) {
    EXPECT_EQ(written("CR 12", "", 8), "CR 12   ");
    EXPECT_EQ(written("CR 12", "", 3), "CR ");
    EXPECT_EQ(written("CR 12   ", "", -1), "CR 12");
    EXPECT_EQ(written("    ", "", -1), "");
    EXPECT_EQ(written("\r\n", "", -1), "\r\n");
    EXPECT_EQ(written("x", "Z", 3), "x  ");  // an unknown code is text
}

TEST_F(FieldWriterTest, TextLosesItsAccentsAndWidthCountsBytes) {
    EXPECT_EQ(written("Ação Ltda", "", -1), "Acao Ltda");
    EXPECT_EQ(written("Ação", "", 6), "Acao  ");
    EXPECT_EQ(written("São Paulo", "", 5), "Sao P");
}

TEST_F(FieldWriterTest, CutNeverSplitsACharacterThatKeepsSeveralBytes) {
    // The euro sign has no plain letter: it stays as its three UTF-8 bytes.
    EXPECT_EQ(written("ab\u20ac", "", 5), "ab\u20ac");
    EXPECT_EQ(written("ab\u20acc", "", 4), "ab  ");
    EXPECT_EQ(written("ab\u20acc", "", 3), "ab ");
    EXPECT_EQ(written("ab\u20acc", "", 6), "ab\u20acc");
}

TEST_F(FieldWriterTest, AlphanumericKeepsAsciiLettersAndDigits) {
    EXPECT_EQ(written("AB-12 3", "A", 6), "AB123 ");
    EXPECT_EQ(written("AB-12 3", "A", 3), "AB1");
    EXPECT_EQ(written("Ação 1", "A", -1), "Ao1");
    EXPECT_EQ(written(" - ", "A", -1), "");
}

TEST_F(FieldWriterTest, WidthZeroShowsANoticeAndWritesNothing) {
    EXPECT_EQ(written("42", "N", 0), "");
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text, "42-0-N");
    prompt_.clear();
    EXPECT_EQ(written("abc", "", -1), "abc");
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(FieldWriterTest, FieldsFollowEachOtherAndOpenAppends) {
    ASSERT_EQ(db::create_output_file(), 0);
    GRAVACAMPO("E2", "", 2);
    GRAVACAMPO("7", "N", 3);
    GRAVACAMPO("\r\n", -1);
    ASSERT_EQ(db::close_output_file(), 0);
    ASSERT_EQ(db::open_output_file(), 0);
    GRAVACAMPO("E3", "", 2);
    GRAVACAMPO("\r\n", 2);
    ASSERT_EQ(db::close_output_file(), 0);
    EXPECT_EQ(contents(), "E2007\r\nE3\r\n");

    ASSERT_EQ(db::create_output_file(), 0);  // creating again starts empty
    GRAVACAMPO("X", "", 1);
    { db::OutputFileCloser closer; }
    EXPECT_FALSE(db::output_file_is_open());
    EXPECT_EQ(contents(), "X");
}

TEST_F(FieldWriterTest, LargeFileIsWrittenWhole) {
    ASSERT_EQ(db::create_output_file(), 0);
    for (int k = 0; k < 50000; ++k) {
        GRAVACAMPO(std::to_string(k), "N", 6);
        GRAVACAMPO("\r\n", -1);
    }
    ASSERT_EQ(db::close_output_file(), 0);
    std::string text = contents();
    ASSERT_EQ(text.size(), 50000u * 8);
    EXPECT_EQ(text.substr(0, 16), "000000\r\n000001\r\n");
    EXPECT_EQ(text.substr(text.size() - 8), "049999\r\n");
    EXPECT_EQ(text.substr(12345 * 8, 6), "012345");
}

TEST_F(FieldWriterTest, OpeningFailuresAreReturnedToTheCaller) {
    db::set_output_file_name((root_.path() / "no-such-folder" / "out.txt").string());
    EXPECT_EQ(db::create_output_file(), ENOENT);
    db::set_output_file_name((root_.path() / "missing.txt").string());
    EXPECT_EQ(db::open_output_file(), ENOENT);  // opening never creates
    EXPECT_FALSE(std::filesystem::exists(root_.path() / "missing.txt"));
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(FieldWriterTest, WritingWithoutAnOpenFileIsShownOnce) {
    db::set_output_file_name("/nowhere/out.txt");
    ASSERT_NE(db::create_output_file(), 0);
    GRAVACAMPO("a", "", 1);
    GRAVACAMPO("b", "", 1);
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Mensagem de erro");
    EXPECT_EQ(prompt_.shown()[0].text,
              "Erro* (" + std::to_string(EBADF) + ") ao gravar no arquivo /nowhere/out.txt");
    EXPECT_TRUE(db::output_file_failed());
}

TEST_F(FieldWriterTest, FullDiskIsShownOnceAndReportedAtClose) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    db::set_output_file_name("/dev/full");
    ASSERT_EQ(db::open_output_file(), 0);
    for (int k = 0; k < 20000; ++k) GRAVACAMPO("0123456789", "", 10);  // several blocks
    EXPECT_TRUE(db::output_file_failed());
    EXPECT_EQ(db::close_output_file(), ENOSPC);
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text,
              "Erro* (" + std::to_string(ENOSPC) + ") ao gravar no arquivo /dev/full");

    // A new file starts without the old failure.
    db::set_output_file_name((root_.path() / "out.txt").string());
    ASSERT_EQ(db::create_output_file(), 0);
    EXPECT_FALSE(db::output_file_failed());
    GRAVACAMPO("ok", "", 2);
    EXPECT_EQ(db::close_output_file(), 0);
    EXPECT_EQ(contents(), "ok");
}

TEST_F(FieldWriterTest, FailureOnlyAtCloseIsShownToo) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    db::set_output_file_name("/dev/full");
    ASSERT_EQ(db::open_output_file(), 0);
    GRAVACAMPO("short", "", 5);  // still buffered
    EXPECT_TRUE(prompt_.shown().empty());
    EXPECT_EQ(db::close_output_file(), ENOSPC);
    EXPECT_EQ(prompt_.count_containing("ao gravar no arquivo /dev/full"), 1);
}

}  // namespace
}  // namespace balcora::test
