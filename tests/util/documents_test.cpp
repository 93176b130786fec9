#include "util/documents.h"

#include <gtest/gtest.h>

#include <string>

namespace balcora::test {
namespace {

TEST(Cpf, RightCheckDigits) {
    for (const char* t : {"529.982.247-25", "52998224725", "111.444.777-35", "123.456.789-09",
                          " 529.982.247-25 "}) {
        EXPECT_TRUE(CPF(t)) << t;
    }
}

TEST(Cpf, Refused) {
    for (const char* t : {"529.982.247-26", "529.982.247-52", "111.111.111-11", "000.000.000-00",
                          "5299822472", "529982247255", "529.982.247-2X", "529a98224725", "",
                          "529,982,247-25", "11.222.333/0001-81"}) {
        EXPECT_FALSE(CPF(t)) << t;
    }
}

TEST(Cnpj, RightCheckDigits) {
    for (const char* t : {"11.222.333/0001-81", "12.345.678/0001-95", "11222333000181",
                          "12.ABC.345/01DE-35", "12.abc.345/01de-35"}) {
        EXPECT_TRUE(CNPJ(t)) << t;
    }
}

TEST(Cnpj, Refused) {
    for (const char* t :
         {"11.222.333/0001-80", "11.222.333/0001-18", "00.000.000/0000-00", "11.111.111/1111-11",
          "AA.AAA.AAA/AAAA-AA", "12.ABC.345/01DE-3A", "1122233300018", "112223330001811",
          "529.982.247-25", "", "11.222.333/0001_81", "12.ÁBC.345/01DE-35"}) {
        EXPECT_FALSE(CNPJ(t)) << t;
    }
}

TEST(DocumentCheckDigits, KnownNumbers) {
    EXPECT_EQ(util::cpf_check_digits("529982247"), "25");
    EXPECT_EQ(util::cpf_check_digits("123456789"), "09");
    EXPECT_EQ(util::cnpj_check_digits("112223330001"), "81");
    EXPECT_EQ(util::cnpj_check_digits("12ABC34501DE"), "35");
    EXPECT_EQ(util::cpf_check_digits("52998224"), std::nullopt);
    EXPECT_EQ(util::cpf_check_digits("52998224a"), std::nullopt);
    EXPECT_EQ(util::cnpj_check_digits("12abc34501de"), std::nullopt);
    EXPECT_EQ(util::cnpj_check_digits("11222333000"), std::nullopt);
}

// Numbers generated for demo data pass the validation, and a changed check
// digit fails it.
TEST(DocumentCheckDigits, GeneratedNumbersValidate) {
    for (int seed = 1; seed < 2000; seed += 37) {
        std::string body = std::to_string(100000000 + seed * 4567891LL % 900000000);
        auto cpf = body + *util::cpf_check_digits(body);
        if (std::string(11, cpf[0]) == cpf) continue;
        EXPECT_TRUE(CPF(cpf)) << cpf;
        cpf[10] = cpf[10] == '9' ? '0' : cpf[10] + 1;
        EXPECT_FALSE(CPF(cpf)) << cpf;

        std::string cnpj_body = body.substr(0, 8) + "0001";
        auto cnpj = cnpj_body + *util::cnpj_check_digits(cnpj_body);
        EXPECT_TRUE(CNPJ(cnpj)) << cnpj;
        cnpj[12] = cnpj[12] == '9' ? '0' : cnpj[12] + 1;
        EXPECT_FALSE(CNPJ(cnpj)) << cnpj;
    }
}

TEST(DocumentFormat, MasksAndLeavesOddTextAlone) {
    EXPECT_EQ(util::format_cpf("52998224725"), "529.982.247-25");
    EXPECT_EQ(util::format_cpf("529.982.247-25"), "529.982.247-25");
    EXPECT_EQ(util::format_cpf("123"), "123");
    EXPECT_EQ(util::format_cpf("5299822472A"), "5299822472A");
    EXPECT_EQ(util::format_cnpj("11222333000181"), "11.222.333/0001-81");
    EXPECT_EQ(util::format_cnpj("12abc34501de35"), "12.ABC.345/01DE-35");
    EXPECT_EQ(util::format_cnpj("52998224725"), "52998224725");
}

}  // namespace
}  // namespace balcora::test
