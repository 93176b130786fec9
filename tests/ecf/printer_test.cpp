#include "ecf/printer.h"
#include "ecf/recording_driver.h"
#include "support/test_database.h"

#include <atomic>
#include <stdexcept>
#include <thread>

namespace balcora::test {

using ecf::send;

class PrinterSend : public EnvTest {
  protected:
    RecordingDriver driver_;
};

TEST_F(PrinterSend, LeftOutParametersArriveAsNullAndEmptyTextsAsEmpty) {
    ASSERT_TRUE(send(ecf::CMD_OPEN_REPORT));
    ASSERT_TRUE(send(ecf::CMD_REGISTER_DOCUMENT, {"RG", ""}));
    ASSERT_TRUE(send(ecf::CMD_OPEN_REPORT, {std::nullopt}));
    ASSERT_EQ(driver_.recorded().size(), 3u);

    const auto& bare = driver_.recorded()[0];
    EXPECT_EQ(bare.command, ecf::CMD_OPEN_REPORT);
    for (const auto& p : bare.params) EXPECT_FALSE(p.has_value());

    const auto& two = driver_.recorded()[1];
    EXPECT_EQ(two.command, 127);
    EXPECT_EQ(two.params[0], "RG");
    ASSERT_TRUE(two.params[1].has_value());
    EXPECT_EQ(*two.params[1], "");
    for (int i = 2; i < 7; ++i) EXPECT_FALSE(two.params[i].has_value());

    EXPECT_FALSE(driver_.recorded()[2].params[0].has_value());
}

TEST_F(PrinterSend, TextsCrossInWindows1252AndAllSevenPositionsAreUsable) {
    const std::string owned = "Açúcar";
    ASSERT_TRUE(send(ecf::CMD_REVERSE_CREDIT_VOUCHER, {owned, "b", "c", "d", "e", "f", "€"}));
    const auto& call = driver_.recorded().at(0);
    EXPECT_EQ(call.params[0],
              "A\xE7\xFA"
              "car");
    EXPECT_EQ(call.params[5], "f");
    EXPECT_EQ(call.params[6], "\x80");
}

TEST_F(PrinterSend, TheDriversAnswerIsTheResult) {
    driver_.refuse(ecf::CMD_CHECK_PRINTER);
    EXPECT_TRUE(send(ecf::CMD_READ_COUNTERS));
    EXPECT_FALSE(send(ecf::CMD_CHECK_PRINTER));
    EXPECT_EQ(driver_.commands(), (std::vector<std::int32_t>{5, 34}));
}

TEST_F(PrinterSend, MoreThanSevenParametersNeverReachTheDriver) {
    EXPECT_FALSE(send(ecf::CMD_TEST, {"1", "2", "3", "4", "5", "6", "7", "8"}));
    EXPECT_TRUE(driver_.recorded().empty());
}

TEST_F(PrinterSend, AnExceptionThrownByADriverIsAFailureNotACrash) {
    driver_.answer_with([](const DriverCall&) -> bool { throw std::runtime_error("port gone"); });
    EXPECT_FALSE(send(ecf::CMD_X_READING));
    driver_.answer_with(nullptr);
    EXPECT_TRUE(send(ecf::CMD_X_READING));
}

TEST_F(PrinterSend, ACallFromInsideADriverCallIsRefusedInsteadOfDeadlocking) {
    // As when a window's timer fires while the driver shows a message box.
    bool nested = true;
    driver_.answer_with([&](const DriverCall& c) {
        if (c.command == ecf::CMD_Z_REDUCTION) nested = send(ecf::CMD_READ_COUNTERS);
        return true;
    });
    EXPECT_TRUE(send(ecf::CMD_Z_REDUCTION));
    EXPECT_FALSE(nested);
    EXPECT_EQ(driver_.commands(), (std::vector<std::int32_t>{90}));
    EXPECT_TRUE(send(ecf::CMD_READ_COUNTERS));
}

TEST_F(PrinterSend, CallsFromSeveralThreadsNeverOverlapInTheDriver) {
    std::atomic<int> inside{0};
    std::atomic<int> overlaps{0};
    driver_.answer_with([&](const DriverCall&) {
        if (inside.fetch_add(1) != 0) overlaps.fetch_add(1);
        std::this_thread::yield();
        inside.fetch_sub(1);
        return true;
    });
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([] {
            for (int i = 0; i < 200; ++i) send(ecf::CMD_READ_COUNTERS);
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(overlaps.load(), 0);
    EXPECT_EQ(driver_.recorded().size(), 800u);
}

}  // namespace balcora::test
