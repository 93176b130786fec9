#include "platform/serial_port.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace balcora::platform {

namespace {

bool speed_for(int baud, speed_t& speed) {
    switch (baud) {
        case 1200:
            speed = B1200;
            return true;
        case 2400:
            speed = B2400;
            return true;
        case 4800:
            speed = B4800;
            return true;
        case 9600:
            speed = B9600;
            return true;
        case 19200:
            speed = B19200;
            return true;
        case 38400:
            speed = B38400;
            return true;
        case 57600:
            speed = B57600;
            return true;
        case 115200:
            speed = B115200;
            return true;
        default:
            return false;
    }
}

bool hung_up(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, 0) > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0;
}

}  // namespace

int apply_line_settings(const LineSettings& s, termios& t) {
    speed_t speed;
    if (!speed_for(s.baud, speed)) return EINVAL;
    if (s.data_bits != 7 && s.data_bits != 8) return EINVAL;
    if (s.stop_bits != 1 && s.stop_bits != 2) return EINVAL;

    cfmakeraw(&t);
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
    // CLOCAL: scanners seldom drive the modem lines, and a missing carrier
    // must not hang up a port that only ever receives.
    t.c_cflag |= CREAD | CLOCAL | (s.data_bits == 7 ? CS7 : CS8);
    if (s.parity != Parity::kNone) t.c_cflag |= PARENB;
    if (s.parity == Parity::kOdd) t.c_cflag |= PARODD;
    if (s.stop_bits == 2) t.c_cflag |= CSTOPB;
    // The parity bit keeps the frame the right length but is not checked:
    // a device set to another parity still reads correctly, and a noisy byte
    // is left for the reader to judge instead of turning into a NUL.
    t.c_iflag &= ~(INPCK | IXON | IXOFF | IXANY);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return 0;
}

SerialPort::SerialPort(SerialPort&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), device_(std::move(other.device_)) {}

SerialPort& SerialPort::operator=(SerialPort&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        device_ = std::move(other.device_);
    }
    return *this;
}

int SerialPort::open(const std::filesystem::path& device) {
    close();
    int fd = ::open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        int error = errno;
        ::close(fd);
        return error;
    }
    fd_ = fd;
    device_ = device;
    return 0;
}

int SerialPort::configure(const LineSettings& settings) {
    if (fd_ < 0) return EBADF;
    termios t{};
    if (tcgetattr(fd_, &t) != 0) return errno;
    if (int error = apply_line_settings(settings, t)) return error;
    if (tcsetattr(fd_, TCSANOW, &t) != 0) return errno;
    // tcsetattr succeeds when any part of the request was taken; a device
    // that kept another speed would deliver garbage. Character size and
    // parity are not checked: virtual lines (pseudo-terminals) ignore them.
    termios now{};
    if (tcgetattr(fd_, &now) != 0) return errno;
    if (cfgetispeed(&now) != cfgetispeed(&t) || (now.c_cflag & CSTOPB) != (t.c_cflag & CSTOPB)) {
        return EINVAL;
    }
    tcflush(fd_, TCIFLUSH);
    return 0;
}

SerialPort::Read SerialPort::read_available(std::string& out, std::size_t max) {
    Read r;
    if (fd_ < 0) {
        r.error = EBADF;
        return r;
    }
    if (max == 0) return r;
    const std::size_t old_size = out.size();
    out.resize(old_size + max);
    ssize_t n;
    do {
        n = ::read(fd_, out.data() + old_size, max);
    } while (n < 0 && errno == EINTR);
    if (n < 0) {
        if (errno != EAGAIN && errno != EWOULDBLOCK) r.error = errno;
        n = 0;
    } else if (n == 0 && hung_up(fd_)) {
        // A line that went away (a USB adapter pulled out) reads as empty
        // for ever; only poll() tells it from a quiet line.
        r.error = EIO;
    }
    out.resize(old_size + static_cast<std::size_t>(n));
    r.bytes = static_cast<std::size_t>(n);
    return r;
}

bool SerialPort::wait_readable(int timeout_ms) const {
    if (fd_ < 0) return false;
    pollfd p{fd_, POLLIN, 0};
    int n;
    do {
        n = ::poll(&p, 1, timeout_ms);
    } while (n < 0 && errno == EINTR);
    return n > 0 && (p.revents & POLLIN) != 0;
}

void SerialPort::close() {
    if (fd_ >= 0) {
        ::close(fd_);  // also drops the lock
        fd_ = -1;
    }
    device_.clear();
}

}  // namespace balcora::platform
