#include "platform/serial_port.h"
#include "support/pty_pair.h"

#include <gtest/gtest.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace balcora::platform {
namespace {

using test::PtyPair;

// Reads until `n` bytes came or the line stays quiet.
std::string read_bytes(SerialPort& port, std::size_t n) {
    std::string got;
    while (got.size() < n && port.wait_readable(2000)) {
        auto r = port.read_available(got, n - got.size());
        EXPECT_EQ(r.error, 0);
    }
    return got;
}

TEST(SerialLineSettings, MapSizeParityAndStopBitsOntoTermios) {
    termios t{};
    ASSERT_EQ(apply_line_settings({9600, 7, Parity::kEven, 2}, t), 0);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_TRUE(t.c_cflag & PARENB);
    EXPECT_FALSE(t.c_cflag & PARODD);
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_FALSE(t.c_iflag & INPCK);
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_EQ(cfgetispeed(&t), static_cast<speed_t>(B9600));

    ASSERT_EQ(apply_line_settings({19200, 8, Parity::kOdd, 1}, t), 0);
    EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_TRUE((t.c_cflag & PARENB) && (t.c_cflag & PARODD));
    EXPECT_FALSE(t.c_cflag & CSTOPB);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));

    ASSERT_EQ(apply_line_settings({9600, 8, Parity::kNone, 1}, t), 0);
    EXPECT_FALSE(t.c_cflag & (PARENB | PARODD));

    EXPECT_EQ(apply_line_settings({9601, 8, Parity::kNone, 1}, t), EINVAL);
    EXPECT_EQ(apply_line_settings({9600, 6, Parity::kNone, 1}, t), EINVAL);
    EXPECT_EQ(apply_line_settings({9600, 8, Parity::kNone, 3}, t), EINVAL);
}

TEST(SerialPort, ReadsRawBytesWithoutWaitingThroughAPseudoTerminal) {
    PtyPair pty;
    SerialPort port;
    ASSERT_EQ(port.open(pty.slave_path()), 0);
    ASSERT_EQ(port.configure({9600, 7, Parity::kEven, 2}), 0);

    std::string got;
    EXPECT_EQ(port.read_available(got, 100).bytes, 0u);  // a quiet line does not block
    pty.send("ab\r\ncd\r");
    EXPECT_EQ(read_bytes(port, 3), "ab\r");  // at most what was asked for, CR kept
    EXPECT_EQ(read_bytes(port, 4), "\ncd\r");

    // The line going away is an error, not an endless quiet: the other end
    // closing, or a hang-up (a USB adapter pulled out), after which reads
    // come back empty.
    pty.close_master();
    EXPECT_EQ(port.read_available(got, 100).error, EIO);
    PtyPair second;
    ASSERT_EQ(port.open(second.slave_path()), 0);
    ASSERT_EQ(port.configure({}), 0);
    if (ioctl(port.fd(), TIOCVHANGUP) != 0) GTEST_SKIP() << "hanging up a line needs root";
    EXPECT_EQ(port.read_available(got, 100).error, EIO);
}

TEST(SerialPort, HoldsTheDeviceForItselfUntilClosed) {
    PtyPair pty;
    SerialPort port;
    EXPECT_EQ(port.configure({}), EBADF);
    ASSERT_EQ(port.open(pty.slave_path()), 0);
    EXPECT_EQ(port.configure({300, 8, Parity::kNone, 1}), EINVAL);
    SerialPort other;
    EXPECT_EQ(other.open(pty.slave_path()), EWOULDBLOCK);

    SerialPort moved = std::move(port);
    EXPECT_FALSE(port.is_open());
    EXPECT_EQ(other.open(pty.slave_path()), EWOULDBLOCK);
    moved.close();
    EXPECT_EQ(other.open(pty.slave_path()), 0);
    EXPECT_EQ(other.device(), pty.slave_path());
}

}  // namespace
}  // namespace balcora::platform
