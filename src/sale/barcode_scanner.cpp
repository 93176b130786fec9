#include "sale/barcode_scanner.h"

#include "sale/com_port.h"
#include "ui/environment.h"

#include <string_view>
#include <utility>

namespace balcora::sale {

namespace {

constexpr char CR = '\r';
constexpr char LF = '\n';

// A device that never stops talking must not hold the screen's timer: what
// is left after this many full reads waits for the next tick.
constexpr int max_reads_per_poll = 64;

// Codes become SQL text and screen text: a NUL would cut a statement short,
// other control bytes and 8-bit bytes only come from line noise.
bool printable_ascii(std::string_view text) {
    for (unsigned char c : text) {
        if (c < 0x20 || c > 0x7e) return false;
    }
    return true;
}

void show_error(const std::string& text) {
    prompt().message("Erro", text, ui::Icon::kError);
}

}  // namespace

platform::LineSettings scanner_line_settings(int model) {
    platform::LineSettings s;  // 9600 8N1: models 2 and 3, and any model we do not know
    if (model == 1) {
        s.data_bits = 7;
        // Parity code 1 is taken as even, the usual companion of 7 data bits.
        // Input parity is not checked, so a scanner left at odd, mark or
        // space parity reads just as well: only the frame length matters.
        s.parity = platform::Parity::kEven;
        s.stop_bits = 2;
    }
    return s;
}

BarcodeScanner::BarcodeScanner(MonotonicClock clock) : clock_(std::move(clock)) {}

ScannerOpening BarcodeScanner::open(int model, int com_port) {
    close();
    if (model == 0) return ScannerOpening::kNone;
    com_port_ = com_port;
    const std::filesystem::path device = serial_device_for_com(com_port);
    const platform::LineSettings settings = scanner_line_settings(model);
    auto fail = [&](int error, const char* step) {
        show_error("Erro (" + std::to_string(error) + ") ao iniciar scanner porta COM" +
                   std::to_string(com_port) + ": (" + step + ").");
    };
    for (int attempt = 0; attempt < open_tries; ++attempt) {
        if (int error = port_.open(device)) {
            fail(error, "SETPORT");
            continue;
        }
        if (int error = port_.configure(settings)) {
            port_.close();
            fail(error, "INITPORT");
            continue;
        }
        return ScannerOpening::kReady;
    }
    return ScannerOpening::kCloseScreen;
}

int BarcodeScanner::poll(const CodeHandler& on_code) {
    if (polling_ || !port_.is_open()) return 0;
    polling_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{polling_};

    const auto now = clock_();
    int delivered = 0;
    for (int reads = 0; reads < max_reads_per_poll && port_.is_open(); ++reads) {
        const auto r = port_.read_available(buffer_, buffer_size - buffer_.size());
        if (r.error != 0) {
            fail_to_read(r.error);
            return delivered;
        }
        if (r.bytes == 0) break;
        delivered += deliver_complete_codes(on_code, now);
        if (buffer_.size() >= buffer_size) skip_overlong_line();
    }
    if (port_.is_open()) discard_if_stale(now);
    return delivered;
}

int BarcodeScanner::deliver_complete_codes(const CodeHandler& on_code,
                                           std::chrono::steady_clock::time_point now) {
    int delivered = 0;
    while (port_.is_open()) {
        // A CR LF split between two reads leaves its LF at the head of the
        // buffer once the CR has ended the code; no code starts with one.
        buffer_.erase(0, buffer_.find_first_not_of(LF));
        if (buffer_.empty() && !skipping_) {
            pending_since_.reset();
        } else if (!pending_since_) {
            pending_since_ = now;
        }
        // The first CR ends the code, with or without its LF: searching for
        // CR LF first would glue a CR-ended code to the CR LF-ended one after
        // it.
        const auto cr = buffer_.find(CR);
        if (cr == std::string::npos) break;
        std::size_t end = cr + 1;
        if (end < buffer_.size() && buffer_[end] == LF) ++end;
        std::string code = buffer_.substr(0, cr);
        buffer_.erase(0, end);
        pending_since_.reset();
        if (std::exchange(skipping_, false) || code.empty()) continue;
        if (!printable_ascii(code)) {
            prompt().beep();
            continue;
        }
        if (code.size() > max_code_length) code.resize(max_code_length);
        ++delivered;
        on_code(code);
    }
    return delivered;
}

// Nothing that long is a code: noise, or a scanner set to other line
// settings. The rest of the line, up to its terminator, goes too, so that its
// tail is not taken for a code.
void BarcodeScanner::skip_overlong_line() {
    discard_pending();
    skipping_ = true;
}

void BarcodeScanner::discard_if_stale(std::chrono::steady_clock::time_point now) {
    if (!pending_since_ || now - *pending_since_ < partial_code_lifetime) return;
    discard_pending();
    skipping_ = false;
    pending_since_.reset();
}

// The operator hears that a scan was not taken and scans again.
void BarcodeScanner::discard_pending() {
    if (!buffer_.empty() && !skipping_) prompt().beep();
    buffer_.clear();
}

void BarcodeScanner::fail_to_read(int error) {
    close();
    show_error("Erro (" + std::to_string(error) + ") ao ler scanner porta COM" +
               std::to_string(com_port_) + ".");
}

void BarcodeScanner::close() {
    port_.close();
    buffer_.clear();
    pending_since_.reset();
    skipping_ = false;
}

}  // namespace balcora::sale
