#pragma once

#include <termios.h>

#include <cstddef>
#include <filesystem>
#include <string>

namespace balcora::platform {

enum class Parity { kNone, kEven, kOdd };

struct LineSettings {
    int baud = 9600;
    int data_bits = 8;  // 7 or 8
    Parity parity = Parity::kNone;
    int stop_bits = 1;  // 1 or 2
};

// Turns `t` into a raw, non-blocking-read line with the given settings.
// Returns 0, or EINVAL for a speed, size or stop-bit count we do not offer.
int apply_line_settings(const LineSettings& settings, termios& t);

// A serial device opened for reading without ever blocking the caller. Errors
// are errno codes (0 = success). The device is locked for as long as it is
// open, so a second program (or a second window) cannot steal its bytes.
class SerialPort {
  public:
    struct Read {
        std::size_t bytes = 0;
        int error = 0;
    };

    SerialPort() = default;
    ~SerialPort() { close(); }
    SerialPort(SerialPort&& other) noexcept;
    SerialPort& operator=(SerialPort&& other) noexcept;
    SerialPort(const SerialPort&) = delete;
    SerialPort& operator=(const SerialPort&) = delete;

    // Closes whatever was open first.
    int open(const std::filesystem::path& device);
    // Sets the line and drops whatever arrived before it was set.
    int configure(const LineSettings& settings);
    // Appends up to `max` bytes that are already waiting; 0 bytes when none.
    Read read_available(std::string& out, std::size_t max);
    // Whether bytes are waiting, waiting at most `timeout_ms` for them.
    bool wait_readable(int timeout_ms) const;
    void close();

    bool is_open() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::filesystem::path& device() const { return device_; }

  private:
    int fd_ = -1;
    std::filesystem::path device_;
};

}  // namespace balcora::platform
