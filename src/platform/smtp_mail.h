#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace balcora::platform {

// The relay a message leaves through.
struct SmtpRelay {
    // "host", "host:port" (25 by default, 465 meaning implicit TLS) or a URL
    // "smtp://host:port" / "smtps://host:port".
    std::string server;
    // Both empty: no authentication.
    std::string user;
    std::string password;
    // The whole conversation, connection included.
    std::chrono::seconds timeout{60};
};

struct MailMessage {
    std::string from;
    std::vector<std::string> to;
    std::string subject;  // UTF-8
    std::string body;     // UTF-8 (else taken as Windows-1252)
    bool html = false;
    std::vector<std::filesystem::path> attachments;
};

// Sends the message and waits for the relay's answer. An empty text when the
// relay accepted it; otherwise one line saying why not.
std::string send_mail(const SmtpRelay& relay, const MailMessage& message);

// Whether every address the name resolves to now is this machine's loopback
// (127.0.0.0/8, ::1): only then may a relay's password go without TLS.
bool resolves_to_loopback_only(const std::string& host);

// A header text as RFC 2047 encoded words when it is not plain ASCII.
std::string encode_header_text(const std::string& text);

}  // namespace balcora::platform
