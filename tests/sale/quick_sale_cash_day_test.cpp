// The Quick Sale reaches the real cash day by name: its keys open the day,
// take cash out and close the day, and its status follows the printer.
#include "ecf/cash_movement_screen.h"
#include "ecf/day_opening.h"
#include "ecf/printer_functions_screen.h"
#include "fiscal/cash_day_services.h"
#include "sale/quick_sale_screen.h"
#include "sale/sale_screen_fixture.h"

namespace balcora::test {

class QuickSaleCashDay : public SaleScreenFixture {
  protected:
    void SetUp() override {
        SaleScreenFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        // The printer is fresh: its day is closed, and so is the row's.
        ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='F', data_sit='2026-12-06';"), "1");
        // Provided under their names, as the windows side does.
        screens_.provide("FUNCOESMAQECF", [this](const ui::ScreenPort::Arguments& args) {
            return FUNCOESMAQECF(checkout_, args.at(0), fiscal::cash_day_services());
        });
        provide_day_windows("SU", "25,50");
    }
    sale::QuickSaleScreen screen_{checkout_};
};

TEST_F(QuickSaleCashDay, TheDayKeysRunTheDayFunctionsAndTheStatusFollowsTheDay) {
    ASSERT_TRUE(screen_.open()) << testing::PrintToString(messages());
    EXPECT_EQ(screen_.status_text(), "FECHADO");
    prompt_.clear();

    prompt_.answer(true);
    EXPECT_TRUE(screen_.key("E"));
    EXPECT_EQ(screen_.status_text(), "ABERTO") << testing::PrintToString(messages());
    EXPECT_EQ(prompt_.count_containing("ainda não disponível"), 0);
    EXPECT_EQ(times_sent(ecf::CMD_OPEN_DAY), 1);

    EXPECT_TRUE(screen_.key("O"));
    EXPECT_EQ(times_sent(ecf::CMD_CASH_MOVEMENT), 1);

    clock_.set({2026, 12, 7, 18, 30, 0});
    prompt_.answer(true);
    EXPECT_TRUE(screen_.key("F"));
    EXPECT_EQ(screen_.status_text(), "FECHADO");
    EXPECT_EQ(times_sent(ecf::CMD_Z_REDUCTION), 1);
    // The window flag and the port stay the Quick Sale's.
    EXPECT_EQ(checkout_.jan_ecf_aberta, 1);
    EXPECT_EQ(times_sent(ecf::CMD_CLOSE_PORT), 0);
    // Bloco X and the backup are not provided here: the closing says so
    // rather than report success.
    EXPECT_EQ(prompt_.count_containing("com Sucesso"), 0);
    EXPECT_EQ(prompt_.count_containing("Bloco X Redução Z ainda não disponível"), 1);
}

}  // namespace balcora::test
