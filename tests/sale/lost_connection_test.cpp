#include "db/pg_handles.h"
#include "db/record_hash.h"
#include "ecf/printer.h"
#include "ecf/printer_driver.h"
#include "sale/open_coupon_recovery.h"
#include "sale/sale_fixture.h"
#include "sale/sale_session.h"
#include "util/ean.h"

#include <memory>

namespace balcora::test {

namespace {

// The virtual printer behind a wrapper that, right after the printer accepts
// an item, ends the program's database session from the server's side: the
// worst moment, between the printer's answer and COMMIT.
balcora_comunica_fn real_printer = nullptr;
std::unique_ptr<db::PgConnection> killer;
int victim_pid = 0;

std::uint8_t printer_then_kill(std::int32_t command, const char* p1, const char* p2, const char* p3,
                               const char* p4, const char* p5, const char* p6, const char* p7) {
    const std::uint8_t ok = real_printer(command, p1, p2, p3, p4, p5, p6, p7);
    if (ok && command == ecf::CMD_SELL_ITEM && victim_pid != 0) {
        killer->exec("SELECT pg_terminate_backend(" + std::to_string(victim_pid) + ")");
        victim_pid = 0;
    }
    return ok;
}

}  // namespace

class LostConnection : public SaleFixture {
  protected:
    void SetUp() override {
        SaleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        real_printer = reinterpret_cast<balcora_comunica_fn>(ecf::driver_symbol("COMUNICA"));
        ASSERT_NE(real_printer, nullptr);
        std::string error;
        killer = db::PgConnection::open(db_.conninfo(), &error);
        ASSERT_TRUE(killer) << error;
        ecf::set_driver_for_tests(&printer_then_kill);
        ASSERT_TRUE(session_.load_point_of_sale());
    }
    void TearDown() override {
        ecf::set_driver_for_tests(nullptr);
        killer.reset();
        SaleFixture::TearDown();
    }
    void kill_at_next_item() { victim_pid = std::stoi(value("SELECT pg_backend_pid()")); }

    const std::string coffee_ = "789100031550" + std::to_string(CALC_DV("789100031550"));
    sale::SaleSession session_{checkout_, sale::SaleScreen::kQuickSale};
};

TEST_F(LostConnection, AnItemThePrinterTookButTheDatabaseLostIsRecoveredByCancellingTheCoupon) {
    ASSERT_EQ(session_.enter_code(coffee_), sale::Registration::kRegistered);
    const auto id = session_.coupon_id();
    kill_at_next_item();
    prompt_.clear();

    // The printer holds item 2, the database lost it: the operator is told,
    // and the screen keeps showing what the database holds.
    EXPECT_NE(session_.enter_code(coffee_), sale::Registration::kRegistered);
    EXPECT_FALSE(messages().empty());
    EXPECT_EQ(glo::cf_aberto, 1);
    EXPECT_EQ(session_.items().size(), 1u);
    EXPECT_EQ(count("balcora.cfiscald"), 1);  // the connection came back for this read

    // Selling on would number the printer's items apart from the database's.
    prompt_.clear();
    EXPECT_EQ(session_.enter_code(coffee_), sale::Registration::kRefused);
    ASSERT_FALSE(messages().empty());
    EXPECT_EQ(count("balcora.cfiscald"), 1);

    // The recovery of the next sale opening cancels the coupon on both sides.
    prompt_.clear();
    EXPECT_TRUE(sale::recover_open_coupon_after_failure(checkout_));
    EXPECT_EQ(glo::cf_aberto, 0);
    EXPECT_EQ(value("SELECT situacao FROM balcora.cfiscal WHERE id_cfiscal=" + std::to_string(id)),
              "C");
    EXPECT_EQ(messages().back(), "Cupom fiscal cancelado com sucesso!");
    ecf::set_driver_for_tests(nullptr);  // the tape is read through the library itself
    const std::string tape = paper();
    EXPECT_NE(tape.find("002 " + coffee_), std::string::npos) << tape;
    EXPECT_NE(tape.find("*** CUPOM FISCAL CANCELADO ***"), std::string::npos) << tape;
    for (auto [row, ok] : db::verify_hashes("cfiscal")) EXPECT_TRUE(ok) << row;

    // And the next sale starts clean.
    sale::SaleSession next(checkout_, sale::SaleScreen::kQuickSale);
    ASSERT_TRUE(next.load_point_of_sale());
    ASSERT_EQ(next.enter_code(coffee_), sale::Registration::kRegistered);
    EXPECT_NE(next.coupon_id(), id);
}

}  // namespace balcora::test
