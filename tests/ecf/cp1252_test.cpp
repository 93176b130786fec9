#include "ecf/cp1252.h"

#include <gtest/gtest.h>

namespace balcora::test {

using ecf::fit;
using ecf::from_cp1252;
using ecf::printer_length;
using ecf::to_cp1252;

TEST(Cp1252, AccentedLettersAndTheHighPunctuationBecomeSingleBytes) {
    EXPECT_EQ(to_cp1252("Ação Pão ÇÉÕÜ ñ º ª"),
              "A\xE7\xE3o P\xE3o \xC7\xC9\xD5\xDC \xF1 \xBA \xAA");
    EXPECT_EQ(to_cp1252("€ – — “x” ‘y’ … • ™ Œ Š Ÿ"),
              "\x80 \x96 \x97 \x93x\x94 \x91y\x92 \x85 \x95 \x99 \x8C \x8A \x9F");
    EXPECT_EQ(to_cp1252("plain ASCII 123 |\r\n"), "plain ASCII 123 |\r\n");
}

TEST(Cp1252, WhatTheCodePageLacksBecomesOneQuestionMarkPerCharacter) {
    // Greek, CJK, an emoji (4 bytes), a lone continuation byte, an overlong
    // slash, a surrogate and a cut sequence: one '?' each, nothing swallowed.
    EXPECT_EQ(to_cp1252("αβ中😀"), "????");
    EXPECT_EQ(to_cp1252("a\x80z"), "a?z");
    EXPECT_EQ(to_cp1252("a\xC0\xAFz"), "a??z");
    EXPECT_EQ(to_cp1252("a\xED\xA0\x80z"), "a???z");
    EXPECT_EQ(to_cp1252("a\xC3"), "a?");
    // A NUL would end the text early on the driver's side.
    EXPECT_EQ(to_cp1252(std::string_view("a\0b", 3)), "a?b");
}

TEST(Cp1252, TheTapeDecodesBackToTheSameText) {
    const std::string text = "Cupom Fiscal — Açúcar R$ 12,50 € “ok”";
    EXPECT_EQ(from_cp1252(to_cp1252(text)), text);
    EXPECT_EQ(from_cp1252("\x81\x8D"), "\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(Cp1252, WidthsCountCharactersNotBytes) {
    EXPECT_EQ(printer_length("Ação"), 4u);
    EXPECT_EQ(fit("Ação", 6), "Ação  ");
    EXPECT_EQ(fit("Pão de açúcar", 6), "Pão de");
    EXPECT_EQ(to_cp1252(fit("Pão de açúcar", 9)).size(), 9u);
    EXPECT_EQ(fit("", 3), "   ");
}

}  // namespace balcora::test
