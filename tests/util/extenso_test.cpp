#include "util/extenso.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace balcora::test {
namespace {

std::string words(std::int64_t cents) {
    return EXTENSO(util::Money::from_units(cents));
}

TEST(Extenso, SingularAndPlural) {
    EXPECT_EQ(words(0), "zero reais");
    EXPECT_EQ(words(1), "um centavo");
    EXPECT_EQ(words(50), "cinquenta centavos");
    EXPECT_EQ(words(100), "um real");
    EXPECT_EQ(words(101), "um real e um centavo");
    EXPECT_EQ(words(200), "dois reais");
    EXPECT_EQ(words(12345), "cento e vinte e três reais e quarenta e cinco centavos");
}

TEST(Extenso, UnitsTeensAndTens) {
    EXPECT_EQ(words(1100), "onze reais");
    EXPECT_EQ(words(1400), "quatorze reais");
    EXPECT_EQ(words(1600), "dezesseis reais");
    EXPECT_EQ(words(1900), "dezenove reais");
    EXPECT_EQ(words(2000), "vinte reais");
    EXPECT_EQ(words(9999), "noventa e nove reais e noventa e nove centavos");
}

TEST(Extenso, Hundreds) {
    EXPECT_EQ(words(10000), "cem reais");
    EXPECT_EQ(words(10100), "cento e um reais");
    EXPECT_EQ(words(11000), "cento e dez reais");
    EXPECT_EQ(words(50000), "quinhentos reais");
    EXPECT_EQ(words(99900), "novecentos e noventa e nove reais");
}

TEST(Extenso, ThousandsJoinTheLastGroupWithEOnlyWhenItIsRound) {
    EXPECT_EQ(words(100000), "mil reais");
    EXPECT_EQ(words(100100), "mil e um reais");
    EXPECT_EQ(words(110000), "mil e cem reais");
    EXPECT_EQ(words(120000), "mil e duzentos reais");
    EXPECT_EQ(words(110100), "mil cento e um reais");
    EXPECT_EQ(words(234500), "dois mil trezentos e quarenta e cinco reais");
    EXPECT_EQ(words(10000000), "cem mil reais");
    EXPECT_EQ(words(10100000), "cento e um mil reais");
    EXPECT_EQ(words(99999999),
              "novecentos e noventa e nove mil novecentos e noventa e nove reais "
              "e noventa e nove centavos");
}

TEST(Extenso, MillionsTakeDeOnlyWhenNothingFollows) {
    EXPECT_EQ(words(100000000), "um milhão de reais");
    EXPECT_EQ(words(200000000), "dois milhões de reais");
    EXPECT_EQ(words(150000000), "um milhão e quinhentos mil reais");
    EXPECT_EQ(words(250000050), "dois milhões e quinhentos mil reais e cinquenta centavos");
    EXPECT_EQ(words(100000100), "um milhão e um reais");
    EXPECT_EQ(words(200100000), "dois milhões e mil reais");
    EXPECT_EQ(words(120034500), "um milhão duzentos mil trezentos e quarenta e cinco reais");
    EXPECT_EQ(words(100000001), "um milhão de reais e um centavo");
}

TEST(Extenso, BillionsAndBeyond) {
    EXPECT_EQ(words(100000000000), "um bilhão de reais");
    EXPECT_EQ(words(300200000000), "três bilhões e dois milhões de reais");
    EXPECT_EQ(words(100000000000000), "um trilhão de reais");
    EXPECT_EQ(words(std::numeric_limits<std::int64_t>::max()),
              "noventa e dois quatrilhões duzentos e trinta e três trilhões setecentos e vinte "
              "bilhões trezentos e sessenta e oito milhões quinhentos e quarenta e sete mil "
              "setecentos e cinquenta e oito reais e sete centavos");
}

TEST(Extenso, NegativeAmounts) {
    EXPECT_EQ(words(-150), "menos um real e cinquenta centavos");
    EXPECT_EQ(words(std::numeric_limits<std::int64_t>::min()).substr(0, 25),
              "menos noventa e dois quat");
}

}  // namespace
}  // namespace balcora::test
