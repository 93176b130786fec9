#pragma once

#include "platform/serial_port.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

namespace balcora::sale {

// Line settings of a scanner model (maqecf.modelo_scanner).
platform::LineSettings scanner_line_settings(int model);

enum class ScannerOpening {
    kNone,        // model 0: the point of sale has no scanner
    kReady,       // the port is open and set; poll() on every timer tick
    kCloseScreen  // three tries failed and were shown; the screen must close
};

// A barcode scanner on a serial port, read from the screen's timer. Complete
// codes go to the callback in the order they were scanned.
//
// Timing: the screen's timer must never wait, so a poll reads only what has
// arrived. A code whose terminator has not arrived yet is kept, and dropped
// once it has gone one second (counted from the start of the poll that first
// saw it) without its terminator. The check comes after reading, so a
// terminator that arrived while the screen was busy still completes its code.
class BarcodeScanner {
  public:
    using CodeHandler = std::function<void(const std::string& code)>;
    using MonotonicClock = std::function<std::chrono::steady_clock::time_point()>;

    static constexpr std::size_t buffer_size = 500;
    static constexpr std::size_t max_code_length = 20;
    static constexpr std::chrono::milliseconds partial_code_lifetime{1000};
    static constexpr int open_tries = 3;

    explicit BarcodeScanner(MonotonicClock clock = std::chrono::steady_clock::now);
    BarcodeScanner(const BarcodeScanner&) = delete;
    BarcodeScanner& operator=(const BarcodeScanner&) = delete;

    // Attaches and sets the port of `com_port` (1-based) for `model`. Each
    // failure is shown to the operator and tried again, up to three tries.
    ScannerOpening open(int model, int com_port);
    // Hands every complete code received so far to `on_code` and returns how
    // many it handed. A call made while a code is being handled (the handler
    // showing a dialog lets the timer tick again) returns 0 at once.
    int poll(const CodeHandler& on_code);
    // Releases the port; pending text is dropped.
    void close();

    bool is_open() const { return port_.is_open(); }
    // Text received without its terminator yet.
    const std::string& pending() const { return buffer_; }
    const platform::SerialPort& port() const { return port_; }

  private:
    int deliver_complete_codes(const CodeHandler& on_code,
                               std::chrono::steady_clock::time_point now);
    void skip_overlong_line();
    void discard_if_stale(std::chrono::steady_clock::time_point now);
    void discard_pending();
    void fail_to_read(int error);

    MonotonicClock clock_;
    platform::SerialPort port_;
    int com_port_ = 0;
    std::string buffer_;
    // When the unterminated text in the buffer (or being skipped) began.
    std::optional<std::chrono::steady_clock::time_point> pending_since_;
    // A line longer than the buffer is being dropped up to its terminator.
    bool skipping_ = false;
    bool polling_ = false;
};

}  // namespace balcora::sale
