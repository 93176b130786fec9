#include "db/field_writer.h"

#include "ui/environment.h"
#include "util/text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace balcora {

namespace db {

namespace {

// Owns a file descriptor; closing reports the system's error code.
class FileHandle {
  public:
    FileHandle() = default;
    explicit FileHandle(int fd) : fd_(fd) {}
    ~FileHandle() {
        if (fd_ >= 0) ::close(fd_);
    }
    FileHandle(FileHandle&& o) noexcept : fd_(std::exchange(o.fd_, -1)) {}
    FileHandle& operator=(FileHandle&& o) noexcept {
        if (this != &o) {
            if (fd_ >= 0) ::close(fd_);
            fd_ = std::exchange(o.fd_, -1);
        }
        return *this;
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;

    bool is_open() const { return fd_ >= 0; }
    int get() const { return fd_; }
    // 0 or the error code of close().
    int close() {
        if (fd_ < 0) return 0;
        int rc = ::close(std::exchange(fd_, -1));
        return rc == 0 ? 0 : errno;
    }

  private:
    int fd_ = -1;
};

void show_write_failure(int code, const std::string& file) {
    prompt().message("Mensagem de erro",
                     "Erro* (" + std::to_string(code) + ") ao gravar no arquivo " + file,
                     ui::Icon::kError);
}

// Fields are gathered in memory and written in large blocks: a registers file
// has hundreds of thousands of fields, one system call each would be slow.
class OutputFile {
  public:
    int open(const std::string& name, int flags) {
        close();
        error_ = 0;
        int fd = ::open(name.c_str(), flags | O_WRONLY | O_CLOEXEC, 0644);
        if (fd < 0) return errno;
        handle_ = FileHandle(fd);
        name_ = name;
        return 0;
    }

    // The buffer a field is formatted into, or null when nothing may be
    // written (a failure already shown, or no file open: shown now).
    std::string* field_buffer(const std::string& current_name) {
        if (error_) return nullptr;
        if (!handle_.is_open()) {
            fail(EBADF, current_name);
            return nullptr;
        }
        return &buffer_;
    }
    void field_written() {
        if (buffer_.size() >= kFlushSize) flush();
    }

    int close() {
        if (!handle_.is_open()) return 0;
        flush();
        buffer_.clear();
        int code = handle_.close();
        if (code && !error_) fail(code, name_);
        return error_;
    }

    bool is_open() const { return handle_.is_open(); }
    bool failed() const { return error_ != 0; }

  private:
    static constexpr std::size_t kFlushSize = 64 * 1024;

    void flush() {
        std::size_t done = 0;
        while (!error_ && done < buffer_.size()) {
            ssize_t n = ::write(handle_.get(), buffer_.data() + done, buffer_.size() - done);
            if (n >= 0) {
                done += static_cast<std::size_t>(n);
            } else if (errno != EINTR) {
                fail(errno, name_);
            }
        }
        buffer_.clear();
    }

    void fail(int code, const std::string& name) {
        error_ = code;
        show_write_failure(code, name);
    }

    FileHandle handle_;
    std::string name_;
    std::string buffer_;
    int error_ = 0;
};

std::string& file_name() {
    static std::string name;
    return name;
}

OutputFile& output() {
    static OutputFile file;
    return file;
}

constexpr std::size_t kFreeNumberSize = 20;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool is_ascii_alnum(char c) {
    return is_digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

std::string_view without_trailing_spaces(std::string_view t) {
    while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
    return t;
}

struct NumberLayout {
    int decimals = 0;  // 0: integer
    char separator = '.';
};

NumberLayout number_layout(const std::string& code) {
    if (code == "N2") return {2, '.'};
    if (code == "N3") return {3, '.'};
    if (code == "N4") return {4, '.'};
    if (code == "N2,") return {2, ','};
    if (code == "N3,") return {3, ','};
    if (code == "N4,") return {4, ','};
    if (code == "N6,") return {6, ','};
    return {};
}

std::string strip_leading_zeros(std::string digits) {
    std::size_t first = digits.find_first_not_of('0');
    if (first == std::string::npos) return "0";
    return digits.substr(first);
}

// Adds one to a string of decimal digits, growing it on a carry out.
void increment(std::string& digits) {
    for (std::size_t k = digits.size(); k-- > 0;) {
        if (digits[k] != '9') {
            ++digits[k];
            return;
        }
        digits[k] = '0';
    }
    digits.insert(digits.begin(), '1');
}

std::string format_integer(std::string_view value) {
    std::string digits;
    for (char c : value)
        if (is_digit(c)) digits += c;
    return strip_leading_zeros(std::move(digits));
}

// Exact decimal formatting on the digits themselves; excess decimals are
// rounded half up. The first point is the decimal point.
std::string format_decimal(std::string_view value, NumberLayout layout) {
    std::string whole, fraction;
    bool after_point = false;
    for (char c : value) {
        if (c == '.') {
            after_point = true;
        } else if (is_digit(c)) {
            (after_point ? fraction : whole) += c;
        }
    }
    const auto places = static_cast<std::size_t>(layout.decimals);
    bool round_up = fraction.size() > places && fraction[places] >= '5';
    fraction.resize(places, '0');
    std::string digits = strip_leading_zeros(whole) + fraction;
    if (round_up) increment(digits);
    std::string out = digits.substr(0, digits.size() - places);
    out += layout.separator;
    out += digits.substr(digits.size() - places);
    return out;
}

std::string format_number(std::string_view value, const std::string& code, int width) {
    if (width < 0 && value.empty()) return {};
    NumberLayout layout = number_layout(code);
    std::string number = layout.decimals ? format_decimal(value, layout) : format_integer(value);
    std::size_t size = width < 0 ? kFreeNumberSize : static_cast<std::size_t>(width);
    if (number.size() > size) return std::string(size, '*');
    if (width < 0) return number;
    return std::string(size - number.size(), '0') + number;
}

bool continues_character(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// Cut at the width without splitting a UTF-8 character, then pad with spaces.
std::string fit(std::string text, std::size_t width) {
    if (text.size() > width) {
        std::size_t cut = width;
        // A character takes at most four bytes; stray continuation bytes of a
        // damaged text are not worth backing over further.
        for (int k = 0; k < 3 && cut > 0 && continues_character(text[cut]); ++k) --cut;
        if (continues_character(text[cut])) cut = width;
        text.resize(cut);
    }
    text.resize(width, ' ');
    return text;
}

}  // namespace

void set_output_file_name(std::string name) {
    file_name() = std::move(name);
}
const std::string& output_file_name() {
    return file_name();
}

int create_output_file() {
    return output().open(file_name(), O_CREAT | O_TRUNC);
}
int open_output_file() {
    return output().open(file_name(), O_APPEND);
}
int close_output_file() {
    return output().close();
}
bool output_file_is_open() {
    return output().is_open();
}
bool output_file_failed() {
    return output().failed();
}

namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool is_plain_ascii(std::string_view t) {
    for (char c : t)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

// The common integer field at a fixed width, straight into the output:
// a registers file writes millions of them.
void append_integer(std::string& out, std::string_view value, std::size_t width) {
    std::size_t digits = 0, first = std::string_view::npos;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (!is_digit(value[i])) continue;
        if (first == std::string_view::npos && value[i] != '0') first = digits;
        ++digits;
    }
    const std::size_t significant = first == std::string_view::npos ? 1 : digits - first;
    if (significant > width) {
        out.append(width, '*');
        return;
    }
    out.append(width - significant, '0');
    if (first == std::string_view::npos) {
        out += '0';
        return;
    }
    std::size_t seen = 0;
    for (char c : value) {
        if (!is_digit(c)) continue;
        if (seen++ >= first) out += c;
    }
}

}  // namespace

void append_field(std::string& out, std::string_view value, std::string_view type_code, int width) {
    if (width == 0 || width < -1) return;
    const bool free_length = width == -1;
    const char kind = type_code.empty() ? '\0' : upper(type_code[0]);
    if (free_length) value = without_trailing_spaces(value);

    if (kind == 'N') {
        std::string code(type_code);
        for (char& c : code) c = upper(c);
        if (!free_length && number_layout(code).decimals == 0) {
            append_integer(out, value, static_cast<std::size_t>(width));
            return;
        }
        out += format_number(value, code, width);
        return;
    }
    if (kind == 'A') {
        const std::size_t before = out.size();
        for (char c : value)
            if (is_ascii_alnum(c)) out += c;
        if (free_length) return;
        const auto w = static_cast<std::size_t>(width);
        if (out.size() - before > w) out.resize(before + w);
        out.resize(before + w, ' ');
        return;
    }
    if (is_plain_ascii(value)) {
        // Nothing to take accents from, and every cut falls between characters.
        if (free_length) {
            out += value;
            return;
        }
        const auto w = static_cast<std::size_t>(width);
        out += value.substr(0, w);
        if (value.size() < w) out.append(w - value.size(), ' ');
        return;
    }
    std::string text = RETIRAACENTOS(value);
    if (free_length) {
        out += without_trailing_spaces(text);
        return;
    }
    out += fit(std::move(text), static_cast<std::size_t>(width));
}

std::string format_field(std::string_view value, std::string_view type_code, int width) {
    std::string out;
    append_field(out, value, type_code, width);
    return out;
}

}  // namespace db

void GRAVACAMPO(std::string_view value, std::string_view type_code, int width) {
    if (width == 0 || width < -1) {
        // A caller asked for a field of no size: a programming error.
        prompt().message(
            "Aviso",
            std::string(value) + "-" + std::to_string(width) + "-" + std::string(type_code),
            ui::Icon::kWarning);
        return;
    }
    std::string* buffer = db::output().field_buffer(db::output_file_name());
    if (!buffer) return;
    db::append_field(*buffer, value, type_code, width);
    db::output().field_written();
}

void GRAVACAMPO(std::string_view value, int width) {
    GRAVACAMPO(value, {}, width);
}

}  // namespace balcora
