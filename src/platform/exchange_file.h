#pragma once

// Files that other programs leave in the folders this program shares with
// them (the card manager's answers, the Bloco X client's answers and INI
// files) are read as hostile: a FIFO or a device in their place must not
// block the program, a huge file must not be loaded, and, where a link has no
// business being, a link must not lead the program to a file of its choosing.

#include <cstddef>
#include <filesystem>
#include <string>

namespace balcora::platform {

// No answer of the card manager or of the Bloco X client, nor an INI file,
// comes near this size.
inline constexpr std::size_t kExchangeFileLimit = 1 << 20;

enum class ExchangeRead {
    kRead,        // `bytes` holds the whole file
    kMissing,     // no such file
    kNotRegular,  // a FIFO, device, folder (or a link, when links are refused)
    kTooLarge,    // larger than the limit; nothing was kept
    kFailed,      // the system refused; `error` says why
};

enum class Links { kRefuse, kFollow };

struct ExchangeFile {
    ExchangeRead outcome = ExchangeRead::kFailed;
    int error = 0;          // errno of kFailed (and ENOENT for kMissing)
    std::size_t limit = 0;  // the limit a kTooLarge file passed
    std::string bytes;

    bool read() const { return outcome == ExchangeRead::kRead; }
};

// Opens without blocking (O_NONBLOCK; O_NOFOLLOW unless links are followed),
// takes only a regular file and reads at most `limit` bytes.
ExchangeFile read_exchange_file(const std::filesystem::path& file, Links links = Links::kRefuse,
                                std::size_t limit = kExchangeFileLimit);

// Why a file was not read, in the program's words, to follow its name in a
// message: "não é um arquivo comum", "tem mais de 1 MiB", "Erro (13)".
std::string exchange_read_reason(const ExchangeFile& file);

}  // namespace balcora::platform
