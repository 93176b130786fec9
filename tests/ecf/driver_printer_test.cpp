#include "ecf/driver_printer.h"
#include "ecf/printer_wrapper.h"
#include "ecf/recording_driver.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "support/test_database.h"

namespace balcora::test {

using util::Money;

class DriverPrinterTest : public EnvTest {
  protected:
    void SetUp() override {
        EnvTest::SetUp();
        glo::reset_all();
    }
    void TearDown() override {
        glo::reset_all();
        EnvTest::TearDown();
    }
    RecordingDriver driver_;
    CheckoutState checkout_;
    ecf::DriverPrinter printer_{checkout_};
};

// Results are what the driver wrote during that very command; a refused
// reading gives nothing, not the values left by an earlier one.
TEST_F(DriverPrinterTest, ReadingsComeFromWhatTheDriverWroteDuringTheCommand) {
    driver_.answer_with([](const DriverCall& c) {
        if (c.command == ecf::CMD_READ_COUNTERS) ::n_coo = 41, ::n_ccf = 17, ::n_cro = 2;
        if (c.command == ecf::CMD_READ_COUPON_STATE) glo::cf_aberto = 1, glo::cf_permcanc = 0;
        if (c.command == ecf::CMD_READ_DATETIME) glo::datahora_ecf = "071226143015";
        return true;
    });
    const auto counters = printer_.read_counters();
    ASSERT_TRUE(counters);
    EXPECT_EQ(counters->coo, 41);
    EXPECT_EQ(counters->ccf, 17);
    EXPECT_EQ(counters->cro, 2);
    const auto state = printer_.read_coupon_state();
    ASSERT_TRUE(state);
    EXPECT_TRUE(state->open);
    EXPECT_FALSE(state->may_cancel);
    EXPECT_EQ(printer_.read_date_time()->ddmmyyhhmmss, "071226143015");

    driver_.refuse(ecf::CMD_READ_COUNTERS);
    EXPECT_FALSE(printer_.read_counters());
}

// The layouts reach the driver as the contract fixes them, optional
// parameters left out rather than sent empty, and a value the printer's
// field cannot hold never reaches it.
TEST_F(DriverPrinterTest, ValuesAreLaidOutAndUnfitValuesNeverSent) {
    ASSERT_TRUE(printer_.close_coupon("OBRIGADO", std::nullopt));
    ASSERT_TRUE(printer_.close_coupon("OBRIGADO", 0));
    ASSERT_TRUE(printer_.payment({"DINHEIRO", Money::from_units(1050), {}, "30 DIAS"}));
    ASSERT_TRUE(printer_.register_document(ecf::Document::kCreditVoucher, Money::from_units(1250)));
    EXPECT_FALSE(printer_.open_day(Money::from_units(-1)));
    EXPECT_FALSE(printer_.start_closing(ecf::Adjustment::kDiscount, Money::from_units(-5)));
    const std::string long_address(70, 'R');
    ASSERT_TRUE(printer_.reverse_credit_voucher({"", "MARIA", long_address, 12}));

    const auto& calls = driver_.recorded();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_FALSE(calls[0].params[1].has_value());
    EXPECT_EQ(calls[1].params[1], "      ");
    EXPECT_EQ(calls[2].params[0], *ecf::payment("DINHEIRO", Money::from_units(1050)));
    EXPECT_EQ(calls[2].params[1], ecf::payment_terms("30 DIAS"));
    EXPECT_EQ(calls[3].params[0], "CC");
    EXPECT_EQ(calls[3].params[1], "1250");
    // The consumer's fields in their widths, as every other layout.
    EXPECT_EQ(calls[4].params[0], "000.000.000-00    ");
    EXPECT_EQ(calls[4].params[1], "MARIA" + std::string(60, ' '));
    EXPECT_EQ(calls[4].params[2], std::string(50, 'R'));
    EXPECT_EQ(calls[4].params[3], "000012");
}

// What the crash matrices and fault tests build on: a refusal before the
// printer leaves it untouched, and every answer is seen with its command.
TEST_F(DriverPrinterTest, AWrapperCanRefuseACommandAndSeesEveryAnswer) {
    class Refusing : public ecf::PrinterWrapper {
      public:
        using PrinterWrapper::PrinterWrapper;
        std::vector<std::pair<ecf::Command, bool>> seen;

      protected:
        bool before(ecf::Command c) override { return c != ecf::CMD_SELL_ITEM; }
        void after(ecf::Command c, bool done) override { seen.emplace_back(c, done); }
    } wrapper(printer_);
    driver_.refuse(ecf::CMD_CHECK_PRINTER);
    ecf::UsePrinter use(wrapper);

    EXPECT_TRUE(ecf::printer().read_counters());
    EXPECT_FALSE(ecf::printer().check_printer());
    EXPECT_FALSE(ecf::printer().sell_item({{}, Money{}, "A", "123"}));
    EXPECT_EQ(driver_.commands(),
              (std::vector<std::int32_t>{ecf::CMD_READ_COUNTERS, ecf::CMD_CHECK_PRINTER}));
    EXPECT_EQ(wrapper.seen, (std::vector<std::pair<ecf::Command, bool>>{
                                {ecf::CMD_READ_COUNTERS, true}, {ecf::CMD_CHECK_PRINTER, false}}));
}

}  // namespace balcora::test
