#include "printer_fixture.h"

namespace balcora::test {

class Faults : public PrinterTest {};

TEST_F(Faults, APrinterSwitchedOffRefusesEverythingUntilSwitchedOn) {
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(vecf::set_power(false));
    for (int command : {CMD_READ_COUNTERS, CMD_OPEN_PORT, CMD_CHECK_PRINTER, CMD_CLOSE_PORT}) {
        prompt_.clear();
        EXPECT_FALSE(cmd(command));
        ASSERT_EQ(prompt_.shown().size(), 1u);
        EXPECT_EQ(prompt_.shown()[0].title, "Erro");
        EXPECT_EQ(prompt_.shown()[0].text, "Impressora desligada ou sem comunicação.");
    }
    EXPECT_FALSE(open_coupon());
    ASSERT_TRUE(vecf::set_power(true));
    EXPECT_TRUE(open_coupon());
}

TEST_F(Faults, WithoutPaperOnlyWhatPrintsIsRefused) {
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(open_coupon());
    ASSERT_TRUE(vecf::set_paper_out(true));
    EXPECT_FALSE(sell(item_record("1", "A", 1000, 1000, 100, "NN", "UN")));
    EXPECT_EQ(prompt_.shown().back().title, "Atenção");
    EXPECT_NE(last_message().find("sem papel"), std::string::npos);
    EXPECT_FALSE(cmd(CMD_CHECK_PRINTER));
    EXPECT_TRUE(cmd(CMD_READ_COUNTERS));
    EXPECT_TRUE(cmd(CMD_READ_COUPON_STATE));
    EXPECT_EQ(glo::sempapel, 1);
    ASSERT_TRUE(vecf::set_paper_out(false));
    EXPECT_TRUE(sell(item_record("1", "A", 1000, 1000, 100, "NN", "UN")));
    EXPECT_EQ(glo::sempapel, 0);
}

TEST_F(Faults, RefusesTheNextCallsOfOneCommandOnly) {
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(open_coupon());
    ASSERT_TRUE(vecf::refuse_next(CMD_SELL_ITEM, 2));
    const std::string record = item_record("1", "A", 1000, 1000, 100, "NN", "UN");
    EXPECT_TRUE(cmd(CMD_READ_COUNTERS));
    EXPECT_FALSE(sell(record));
    EXPECT_FALSE(sell(record));
    EXPECT_TRUE(sell(record));
    EXPECT_EQ(count_of(tape(), "001 0000000000001 A"), 1);
    EXPECT_EQ(count_of(tape(), "002 0000000000001 A"), 0);
}

TEST_F(Faults, TheControlFileWrittenByAnyoneDrivesTheFaults) {
    ASSERT_TRUE(open_day());
    const auto file = vecf::printer_folder() / "falhas.ini";
    std::ofstream(file) << "; simulated failures\n[impressora]\nDESLIGADA = 0\nSemPapel=0\n"
                           "[Recusar]\n89=1 ; the next X reading\n";
    EXPECT_FALSE(cmd(CMD_X_READING));
    EXPECT_TRUE(cmd(CMD_X_READING));
    EXPECT_EQ(read_file(file).find("89="), std::string::npos);  // the count reached 0
    std::ofstream(file) << "[Impressora]\nDesligada=1\n";
    EXPECT_FALSE(cmd(CMD_READ_COUNTERS));
    ASSERT_TRUE(vecf::reset_faults());
    EXPECT_TRUE(cmd(CMD_READ_COUNTERS));
    std::ofstream(file) << "garbage \x01\x02 without sections =\n[Recusar]\nx=1\n5=abc\n";
    EXPECT_TRUE(cmd(CMD_READ_COUNTERS));
}

TEST_F(Faults, NoSerialNoPrinter) {
    glo::numfab = "";
    EXPECT_FALSE(cmd(CMD_READ_COUNTERS));
    EXPECT_NE(last_message().find("número de série não informado"), std::string::npos);
    EXPECT_TRUE(vecf::tape_path().empty());
    glo::numfab = "../X";
    EXPECT_FALSE(cmd(CMD_READ_COUNTERS));
    EXPECT_NE(last_message().find("Número de série da impressora inválido"), std::string::npos);
    EXPECT_FALSE(vecf::set_power(false));
    glo::numfab = "BV0001";
    char buffer[8];
    const int needed = balcora_vecf_tape_path(buffer, sizeof buffer);
    EXPECT_EQ(needed, static_cast<int>(vecf::tape_path().string().size()) + 1);
    EXPECT_EQ(std::string(buffer), vecf::tape_path().string().substr(0, 7));
}

}  // namespace balcora::test
