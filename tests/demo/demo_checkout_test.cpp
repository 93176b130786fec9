#include "demo/demo_checkout.h"
#include "sale/sale_screen_fixture.h"

namespace balcora::test {

class DemoCheckoutTest : public SaleScreenFixture {
  protected:
    void SetUp() override {
        SaleScreenFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // A fresh printer: its row knows no open day either.
        ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='F', data_sit=NULL;"), "1");
        ASSERT_TRUE(write_ini("PDV", "Configuração OK", "0", "balcora.ini"));
    }
    std::string day_state() {
        return value("SELECT situacao || ' ' || data_sit FROM balcora.maqecf");
    }
};

TEST_F(DemoCheckoutTest, OpensThePrintersDayForTodayOnceAndMarksThePrinterConfigured) {
    ASSERT_TRUE(sale::prepare_demo_checkout()) << testing::PrintToString(messages());
    EXPECT_EQ(day_state(), "A 2026-12-07");
    EXPECT_EQ(times_sent(ecf::CMD_OPEN_DAY), 1);
    EXPECT_EQ(times_sent(ecf::CMD_Z_REDUCTION), 0);
    EXPECT_EQ(sent().back(), ecf::CMD_CLOSE_PORT);
    EXPECT_EQ(read_ini("PDV", "Configuração OK", "", "balcora.ini"), "1");
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "QuickSale"), "1");

    // Again: nothing left to do.
    sent().clear();
    ASSERT_TRUE(sale::prepare_demo_checkout());
    EXPECT_EQ(times_sent(ecf::CMD_OPEN_DAY), 0);
    EXPECT_EQ(day_state(), "A 2026-12-07");
}

TEST_F(DemoCheckoutTest, YesterdaysDayIsReducedBeforeTodaysOpens) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "QuickSale", "0"));
    clock_.set({2026, 12, 4, 18, 0, 0});
    ASSERT_TRUE(sale::prepare_demo_checkout()) << testing::PrintToString(messages());
    EXPECT_EQ(day_state(), "A 2026-12-04");

    clock_.set({2026, 12, 7, 8, 0, 0});
    sent().clear();
    ASSERT_TRUE(sale::prepare_demo_checkout()) << testing::PrintToString(messages());
    EXPECT_EQ(day_state(), "A 2026-12-07");
    const auto z = std::find(sent().begin(), sent().end(), ecf::CMD_Z_REDUCTION);
    const auto open = std::find(sent().begin(), sent().end(), ecf::CMD_OPEN_DAY);
    ASSERT_NE(z, sent().end());
    ASSERT_NE(open, sent().end());
    EXPECT_LT(z, open);
    // The reduced day is in the books, waiting to be sent.
    EXPECT_EQ(value("SELECT num_cont_red_z > 0 AND sit_blocox = 'P' FROM balcora.reg60m WHERE "
                    "data = '2026-12-04'"),
              "t");
    // The operator's own choice of the menu is kept.
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "QuickSale"), "0");
}

}  // namespace balcora::test
