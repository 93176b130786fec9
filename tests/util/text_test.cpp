#include "util/text.h"

#include <gtest/gtest.h>

namespace balcora::test {
namespace {

TEST(RetiraAcentos, PortugueseLetters) {
    EXPECT_EQ(RETIRAACENTOS("Ação à vista, preço único"), "Acao a vista, preco unico");
    EXPECT_EQ(RETIRAACENTOS("ÁÀÂÃÄ ÉÊ ÍÎ ÓÔÕ ÚÜ Ç"), "AAAAA EE II OOO UU C");
    EXPECT_EQ(RETIRAACENTOS("áàâãä éê íî óôõ úü ç"), "aaaaa ee ii ooo uu c");
    EXPECT_EQ(RETIRAACENTOS("São João D'Aliança"), "Sao Joao D'Alianca");
}

TEST(RetiraAcentos, OrdinalsAndOtherLatinLetters) {
    EXPECT_EQ(RETIRAACENTOS("Rua 1º de Maio, 2ª andar"), "Rua 1o de Maio, 2a andar");
    EXPECT_EQ(RETIRAACENTOS("Ñandú Æsir Straße Œuvre Łódź Šiška ÿ"),
              "Nandu AEsir Strasse OEuvre Lodz Siska y");
}

TEST(RetiraAcentos, DecomposedAccentsAreDropped) {
    EXPECT_EQ(RETIRAACENTOS("Jose\xCC\x81 Conceic\xCC\xA7"
                            "a\xCC\x83o"),
              "Jose Conceicao");
}

TEST(RetiraAcentos, EverythingElseStaysByteForByte) {
    EXPECT_EQ(RETIRAACENTOS("R$ 10,00 × 2 ÷ 3 € ° §"), "R$ 10,00 × 2 ÷ 3 € ° §");
    EXPECT_EQ(RETIRAACENTOS("CR\r\nLF\ttab"), "CR\r\nLF\ttab");
    // Not UTF-8: a Latin-1 "é" alone and a lead byte cut at the end.
    EXPECT_EQ(RETIRAACENTOS("caf\xE9 \xC3"), "caf\xE9 \xC3");
    EXPECT_EQ(RETIRAACENTOS("\xC3\x28"), "\xC3\x28");
    EXPECT_EQ(RETIRAACENTOS(""), "");
}

TEST(SoAlfanum, KeepsOnlyAsciiLettersAndDigits) {
    EXPECT_EQ(SOALFANUM("AB-12 3"), "AB123");
    EXPECT_EQ(SOALFANUM("12.345.678/0001-95"), "12345678000195");
    EXPECT_EQ(SOALFANUM("Ação!"), "Ao");
    EXPECT_EQ(SOALFANUM(" \t-./"), "");
    EXPECT_EQ(SOALFANUM("azAZ09"), "azAZ09");
}

TEST(Substituir, ReplacesEveryOccurrence) {
    EXPECT_EQ(SUBSTITUIR("a-b-c", "-", "--"), "a--b--c");
    EXPECT_EQ(SUBSTITUIR("aaaa", "aa", "a"), "aa");  // no second pass over the result
    EXPECT_EQ(SUBSTITUIR("O'Brien's", "'", "''"), "O''Brien''s");
    EXPECT_EQ(SUBSTITUIR("abc", "x", "y"), "abc");
    EXPECT_EQ(SUBSTITUIR("abc", "abc", ""), "");
    EXPECT_EQ(SUBSTITUIR("ação ação", "ção", "cao"), "acao acao");
    EXPECT_EQ(SUBSTITUIR("", "a", "b"), "");
}

TEST(Substituir, EmptyPatternLeavesTheText) {
    EXPECT_EQ(SUBSTITUIR("abc", "", "x"), "abc");
}

TEST(TextHelpers, TrimBlanksOnly) {
    EXPECT_EQ(util::trim("  a b \t"), "a b");
    EXPECT_EQ(util::trim_right("  a b \t "), "  a b");
    EXPECT_EQ(util::trim("   "), "");
    EXPECT_EQ(util::trim_right(""), "");
    EXPECT_EQ(util::trim_right("x\r\n "), "x\r\n");  // line ends are data
}

TEST(TextHelpers, AsciiCaseLeavesAccentedBytes) {
    EXPECT_EQ(util::to_upper_ascii("ação 12 xyz"), "AçãO 12 XYZ");
    EXPECT_EQ(util::to_lower_ascii("AÇÃO XYZ"), "aÇÃo xyz");
}

TEST(TextHelpers, CutCharactersNeverSplitsOne) {
    EXPECT_EQ(util::cut_characters("AÇÚCAR", 3), "AÇÚ");
    EXPECT_EQ(util::cut_characters("Ação", 2), "Aç");
    EXPECT_EQ(util::cut_characters("Ação", 4), "Ação");
    EXPECT_EQ(util::cut_characters("Ação", 9), "Ação");
    EXPECT_EQ(util::cut_characters("Ação", 0), "");
}

}  // namespace
}  // namespace balcora::test
