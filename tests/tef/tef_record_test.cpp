#include "tef/tef_record.h"

#include "util/day_number.h"

#include <gtest/gtest.h>

#include <random>

namespace balcora::tef {
namespace {

using util::Money;

TEST(TefRecord, RequestsCarryTheLinesTheManagerReads) {
    EXPECT_EQ(transaction_identifier(3600000), "93600000");  // 10:00:00.00
    EXPECT_EQ(transaction_identifier(5), "90000005");
    EXPECT_EQ(transaction_identifier(8640000 + 7), "90000007");  // folded into one day

    EXPECT_EQ(atv_request("93600000"), "000-000 = ATV\r\n001-000 = 93600000\r\n999-999 = 0\r\n");
    EXPECT_EQ(adm_request("91"), "000-000 = ADM\r\n001-000 = 91\r\n999-999 = 0\r\n");
    EXPECT_EQ(crt_request("93600000", 1234, Money::from_units(4230), Money(), Money()),
              "000-000 = CRT\r\n001-000 = 93600000\r\n002-000 = 001234\r\n003-000 = 4230\r\n"
              "004-000 = 0\r\n706-000 = 3\r\n707-000 = 4230\r\n708-000 = 0\r\n709-000 = 0\r\n"
              "999-999 = 0\r\n");
    EXPECT_EQ(chq_request("9", 7, Money::from_units(10000)),
              "000-000 = CHQ\r\n001-000 = 9\r\n002-000 = 000007\r\n003-000 = 10000\r\n"
              "004-000 = 0\r\n999-999 = 0\r\n");
    const std::string tail =
        "001-000 = 91234567\r\n002-000 = 000042\r\n010-000 = REDECARD\r\n"
        "012-000 = 000123\r\n027-000 = CTRL 9\r\n999-999 = 0\r\n";
    EXPECT_EQ(confirmation_request(Confirmation::kConfirm, "91234567", 42, " REDECARD  ", "000123 ",
                                   " CTRL 9 "),
              "000-000 = CNF\r\n" + tail);
    EXPECT_EQ(
        confirmation_request(Confirmation::kUndo, "91234567", 42, "REDECARD", "000123", "CTRL 9"),
        "000-000 = NCN\r\n" + tail);
    EXPECT_EQ(cnc_request("98", 42, Money::from_units(4230), "CIELO ", "77",
                          util::day_number(2026, 8, 15), "101500"),
              "000-000 = CNC\r\n001-000 = 98\r\n002-000 = 000042\r\n003-000 = 000000004230\r\n"
              "010-000 = CIELO\r\n012-000 = 77\r\n022-000 = 15082026\r\n023-000 = 101500\r\n"
              "999-999 = 0\r\n");

    EXPECT_EQ(undo_notice(" REDECARD ", "123", Money::from_units(123456)),
              "Cancelada a Transação:| |Rede: REDECARD|NSU: 123|Valor: R$ 1234,56");
    EXPECT_EQ(undo_notice("  ", "", Money()), "Cancelada a Transação:| ");
}

const std::string kApproved =
    "000-000 = CRT\r\n001-000 = 93600000\r\n002-000 = 001234\r\n003-000 = 4230\r\n"
    "009-000 = 0\r\n010-000 = REDECARD\r\n011-000 = 10\r\n012-000 = 000123456\r\n"
    "013-000 = 654321\r\n017-000 = 1\r\n018-000 = 2\r\n019-001 = 15072026\r\n020-001 = 2115\r\n"
    "019-002 = 15082026\r\n020-002 = 2115\r\n022-000 = 07122026\r\n023-000 = 100105\r\n"
    "027-000 = 1234567890ABC\r\n028-000 = 3\r\n029-001 = \"     COMPROVANTE     \"\r\n"
    "029-002 = \"VALOR: 42,30\"\r\n029-003 = \"\"\r\n030-000 = TRANSACAO APROVADA\xAA\r\n"
    "999-999 = 0\r\n";

TEST(TefRecord, ResponsesAreReadIntoTheirFields) {
    const Response r = read_response(kApproved);
    EXPECT_EQ(r.identifier, "93600000");
    EXPECT_EQ(r.amount, Money::from_units(4230));
    EXPECT_EQ(r.network, "REDECARD");
    EXPECT_EQ(r.transaction_type, 10);
    EXPECT_EQ(r.nsu, "000123456");
    EXPECT_EQ(r.authorisation, 654321);
    ASSERT_EQ(r.instalments.size(), 2u);
    EXPECT_EQ(r.instalments[1].due, util::day_number(2026, 8, 15));
    EXPECT_EQ(r.instalments[1].amount, Money::from_units(2115));
    EXPECT_EQ(r.date, util::day_number(2026, 12, 7));
    EXPECT_EQ(r.time, "100105");
    EXPECT_EQ(r.control, "1234567890ABC");
    EXPECT_TRUE(r.approved());
    ASSERT_EQ(r.voucher.size(), 3u);
    EXPECT_EQ(r.voucher[0], "     COMPROVANTE     ");  // the quotes keep the blanks
    EXPECT_EQ(r.voucher[2], "");
    EXPECT_EQ(r.message, "TRANSACAO APROVADAª");  // Windows-1252 from the manager

    const Response declined = read_response(
        "001-000 = 93600001\n009-000 = 5\n028-000 = 0\n030-000 = CARTAO RECUSADO\n999-999 = 0\n");
    EXPECT_FALSE(declined.approved());
    EXPECT_EQ(declined.message, "CARTAO RECUSADO");
    EXPECT_TRUE(declined.voucher.empty());
}

TEST(TefRecord, DamagedResponsesAreReadWithoutHarm) {
    // Counts that would size lists beyond any response, and numbers past 64 bits.
    const Response huge = read_response(
        "001-000 = 93600000\r\n018-000 = 99999999999999999999999\r\n028-000 = 4000000000\r\n"
        "003-000 = -12\r\n013-000 = 1x\r\n019-001 = 31022026\r\n029-");
    EXPECT_LE(huge.instalments.size(), 999u);
    EXPECT_LE(huge.voucher.size(), 999u);
    EXPECT_EQ(huge.amount, Money());
    EXPECT_EQ(huge.authorisation, 1);
    EXPECT_EQ(huge.instalments.empty() ? 0 : huge.instalments[0].due, 0);  // 31 February

    // Every cut of a real response, and random damage to it: never a crash,
    // and a response whose identifier line was hit is refused by its check.
    for (std::size_t n = 0; n <= kApproved.size(); ++n) {
        const Response r = read_response(std::string_view(kApproved).substr(0, n));
        if (n < 33) EXPECT_NE(r.identifier, "93600000");
    }
    std::mt19937 rng(14);
    for (int round = 0; round < 3000; ++round) {
        std::string bytes = kApproved;
        const int hits = 1 + static_cast<int>(rng() % 8);
        for (int h = 0; h < hits; ++h) bytes[rng() % bytes.size()] = static_cast<char>(rng() % 256);
        if (round % 3 == 0) bytes.resize(rng() % bytes.size());
        const Response r = read_response(bytes);
        EXPECT_LE(r.voucher.size(), 999u);
        EXPECT_LE(r.network.size(), 12u * 3);
    }
    for (int round = 0; round < 500; ++round) {
        std::string noise(rng() % 2000, '\0');
        for (char& c : noise) c = static_cast<char>(rng() % 256);
        EXPECT_EQ(read_response(noise).identifier.size() <= 8, true);
    }
}

}  // namespace
}  // namespace balcora::tef
