#include "sale/barcode_scanner.h"

#include "platform/ini_file.h"
#include "sale/com_port.h"
#include "support/pty_pair.h"
#include "support/test_database.h"

#include <gtest/gtest.h>
#include <termios.h>

#include <fstream>
#include <string>
#include <vector>

namespace balcora::sale {
namespace {

using namespace std::chrono_literals;
using Codes = std::vector<std::string>;

class BarcodeScannerTest : public test::EnvTest {
  protected:
    BarcodeScannerTest() { map_port(3, pty_.slave_path()); }

    void map_port(int n, const std::string& device) {
        platform::ini_write(root_.root().ini_file("balcora.ini"), "PDV",
                            "Porta COM" + std::to_string(n), device);
    }

    // Polls as bytes come in until `n` codes arrived in all; gives up when
    // the line stays quiet, so a missing code fails instead of hanging.
    void poll_until_codes(std::size_t n) {
        while (codes_.size() < n && scanner_.port().wait_readable(2000)) scanner_.poll(collect_);
    }
    void poll_until_pending(const std::string& text) {
        while (scanner_.pending() != text && scanner_.port().wait_readable(2000)) {
            scanner_.poll(collect_);
        }
    }

    Codes messages() const {
        Codes texts;
        for (const auto& s : prompt_.shown()) {
            if (s.kind == "message") texts.push_back(s.text);
        }
        return texts;
    }
    int beeps() const { return static_cast<int>(prompt_.shown().size() - messages().size()); }

    test::PtyPair pty_;
    std::chrono::steady_clock::time_point now_{};
    BarcodeScanner scanner_{[this] { return now_; }};
    Codes codes_;
    BarcodeScanner::CodeHandler collect_ = [this](const std::string& c) { codes_.push_back(c); };
};

TEST_F(BarcodeScannerTest, ModelOneReadsCodesWithEitherTerminatorInOrder) {
    ASSERT_EQ(scanner_.open(1, 3), ScannerOpening::kReady);
    termios t{};
    int fd = ::open(pty_.slave_path().c_str(), O_RDONLY | O_NOCTTY | O_NONBLOCK);
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    ::close(fd);
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_lflag & ICANON);
    // A pseudo-terminal drops size and parity, so those are checked on the settings.
    EXPECT_EQ(scanner_line_settings(1).data_bits, 7);
    EXPECT_EQ(scanner_line_settings(1).parity, platform::Parity::kEven);
    EXPECT_EQ(scanner_line_settings(3).data_bits, 8);
    EXPECT_EQ(scanner_line_settings(3).parity, platform::Parity::kNone);
    EXPECT_EQ(scanner_line_settings(3).stop_bits, 1);

    // Mixed terminators in one write: the lone CR must not glue "123" to "456".
    pty_.send("7891000315507\r\n123\r456\r\n\r\n789\r\n");
    poll_until_codes(4);
    EXPECT_EQ(codes_, (Codes{"7891000315507", "123", "456", "789"}));
    EXPECT_EQ(scanner_.pending(), "");
    EXPECT_TRUE(prompt_.shown().empty());

    BarcodeScanner none;
    EXPECT_EQ(none.open(0, 3), ScannerOpening::kNone);
    EXPECT_FALSE(none.is_open());
}

TEST_F(BarcodeScannerTest, CodesSplitAcrossPollsAreJoined) {
    ASSERT_EQ(scanner_.open(2, 3), ScannerOpening::kReady);
    pty_.send("78910");
    poll_until_pending("78910");
    EXPECT_TRUE(codes_.empty());
    // The CR ends the code at once; its LF, read by the next poll, is not
    // taken for the start of the next code.
    pty_.send("00315507\r");
    poll_until_codes(1);
    pty_.send("\n42\r\n");
    poll_until_codes(2);
    EXPECT_EQ(codes_, (Codes{"7891000315507", "42"}));
    EXPECT_EQ(beeps(), 0);
}

TEST_F(BarcodeScannerTest, LongCodesAreCutAndNoiseIsRefusedWithABeep) {
    ASSERT_EQ(scanner_.open(2, 3), ScannerOpening::kReady);
    pty_.send("1234567890ABCDEFGHIJKLMNO\r\n");
    pty_.send(
        std::string("12\0"
                    "34\r\n",
                    7));  // a NUL would cut the SQL short
    pty_.send(
        "12\xe9"
        "4\r\nOK\r\n");
    poll_until_codes(2);
    EXPECT_EQ(codes_, (Codes{"1234567890ABCDEFGHIJ", "OK"}));
    EXPECT_EQ(beeps(), 2);
}

TEST_F(BarcodeScannerTest, APartialCodeIsDroppedOnceASecondOld) {
    ASSERT_EQ(scanner_.open(2, 3), ScannerOpening::kReady);
    pty_.send("ABC");
    poll_until_pending("ABC");
    now_ += 999ms;
    scanner_.poll(collect_);
    EXPECT_EQ(scanner_.pending(), "ABC");
    now_ += 1ms;
    scanner_.poll(collect_);
    EXPECT_EQ(scanner_.pending(), "");
    EXPECT_EQ(beeps(), 1);

    // A terminator that came while the screen was busy still completes its code.
    pty_.send("DEF");
    poll_until_pending("DEF");
    pty_.send("\r\n");
    now_ += 5s;
    poll_until_codes(1);
    EXPECT_EQ(codes_, (Codes{"DEF"}));
    EXPECT_EQ(beeps(), 1);
}

TEST_F(BarcodeScannerTest, AnOverlongLineIsDroppedWithoutLosingTheCodesAround) {
    ASSERT_EQ(scanner_.open(2, 3), ScannerOpening::kReady);
    pty_.send("111\r\n" + std::string(600, '9') + "\r\n222\r\n");
    pty_.send(std::string(1200, 'x') + "\r333\r\n");
    poll_until_codes(3);
    EXPECT_EQ(codes_, (Codes{"111", "222", "333"}));
    EXPECT_EQ(beeps(), 2);  // one per dropped line
}

TEST_F(BarcodeScannerTest, FailedOpeningsAreShownAndTheThirdClosesTheScreen) {
    map_port(4, (root_.path() / "ttyUSB_ausente").string());
    EXPECT_EQ(scanner_.open(1, 4), ScannerOpening::kCloseScreen);
    const std::string setport = "Erro (2) ao iniciar scanner porta COM4: (SETPORT).";
    EXPECT_EQ(messages(), (Codes{setport, setport, setport}));

    prompt_.clear();
    const auto not_a_tty = root_.path() / "arquivo";
    std::ofstream(not_a_tty) << "x";
    map_port(5, not_a_tty.string());
    EXPECT_EQ(scanner_.open(2, 5), ScannerOpening::kCloseScreen);
    const std::string initport = "Erro (25) ao iniciar scanner porta COM5: (INITPORT).";
    EXPECT_EQ(messages(), (Codes{initport, initport, initport}));
    platform::SerialPort released;
    EXPECT_EQ(released.open(not_a_tty), 0);

    // A port held by another window is busy until that window lets it go.
    prompt_.clear();
    ASSERT_EQ(scanner_.open(2, 3), ScannerOpening::kReady);
    BarcodeScanner second;
    EXPECT_EQ(second.open(2, 3), ScannerOpening::kCloseScreen);
    EXPECT_EQ(messages().front(), "Erro (11) ao iniciar scanner porta COM3: (SETPORT).");
    scanner_.close();
    EXPECT_EQ(second.open(2, 3), ScannerOpening::kReady);

    EXPECT_EQ(serial_device_for_com(1), "/dev/ttyS0");
    EXPECT_EQ(serial_device_for_com(0), "");
}

TEST_F(BarcodeScannerTest, ALostLineIsShownOnceAndPollingStops) {
    ASSERT_EQ(scanner_.open(2, 3), ScannerOpening::kReady);
    pty_.close_master();
    scanner_.poll(collect_);
    scanner_.poll(collect_);
    EXPECT_EQ(messages(), (Codes{"Erro (5) ao ler scanner porta COM3."}));
    EXPECT_FALSE(scanner_.is_open());
}

TEST_F(BarcodeScannerTest, TheHandlerMayLetTheTimerTickOrCloseTheScanner) {
    ASSERT_EQ(scanner_.open(2, 3), ScannerOpening::kReady);
    pty_.send("A\r\nB\r\n");
    int nested = -1;
    collect_ = [&](const std::string& c) {
        codes_.push_back(c);
        if (c != "A") return;
        // While A is being registered a dialog lets the timer fire, and
        // another scan has come in: nothing may be registered inside A.
        pty_.send("C\r\n");
        scanner_.port().wait_readable(2000);
        nested = scanner_.poll(collect_);
    };
    poll_until_codes(3);
    EXPECT_EQ(codes_, (Codes{"A", "B", "C"}));
    EXPECT_EQ(nested, 0);

    pty_.send("D\r\nE\r\n");
    collect_ = [&](const std::string& c) {
        codes_.push_back(c);
        scanner_.close();
    };
    scanner_.port().wait_readable(2000);
    scanner_.poll(collect_);
    EXPECT_EQ(codes_, (Codes{"A", "B", "C", "D"}));
}

}  // namespace
}  // namespace balcora::sale
