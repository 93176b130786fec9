#include "fiscal/ead_signing.h"

#include "fiscal/ead_crypto.h"
#include "ui/environment.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <optional>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace balcora {

namespace {

constexpr std::size_t kSignatureMax = 256;

struct EadLine {
    std::uintmax_t offset = 0;  // where the line starts: the signed bytes end here
    std::string signature;
};

// The file's last line when it is an EAD record.
std::optional<EadLine> trailing_ead(const fs::path& file) {
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(file, ec);
    if (ec || size < 3) return std::nullopt;
    const std::uintmax_t tail_size = std::min<std::uintmax_t>(size, 1024);
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(size - tail_size));
    std::string tail(tail_size, '\0');
    in.read(tail.data(), static_cast<std::streamsize>(tail_size));
    if (static_cast<std::uintmax_t>(in.gcount()) != tail_size) return std::nullopt;
    std::string_view body(tail);
    if (!body.empty() && body.back() == '\n') body.remove_suffix(1);
    if (!body.empty() && body.back() == '\r') body.remove_suffix(1);
    const std::size_t newline = body.rfind('\n');
    if (newline == std::string_view::npos && tail_size != size) return std::nullopt;
    const std::size_t start = newline == std::string_view::npos ? 0 : newline + 1;
    std::string_view line = body.substr(start);
    if (line.substr(0, 3) != "EAD") return std::nullopt;
    line.remove_prefix(3);
    while (!line.empty() && line.back() == ' ') line.remove_suffix(1);
    return EadLine{size - tail_size + start, std::string(line)};
}

void show_file_error(const char* prefix, int code, const char* what, const std::string& name) {
    prompt().message("Erro", std::string(prefix) + " (" + std::to_string(code) + ") " + what + name,
                     ui::Icon::kError);
}

// Appends bytes and makes them durable: a signed file must survive a power cut
// as it was reported.
int append_durably(const fs::path& file, std::string_view bytes) {
    const int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return errno;
    int code = 0;
    std::size_t done = 0;
    while (done < bytes.size() && code == 0) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR) code = errno;
        if (n > 0) done += static_cast<std::size_t>(n);
    }
    if (code == 0 && ::fsync(fd) != 0) code = errno;
    if (::close(fd) != 0 && code == 0) code = errno;
    return code;
}

// Creates `file` holding exactly `bytes`; 0 or the system's error code, with
// `creating` telling which step failed.
int write_new_file(const fs::path& file, std::string_view bytes, bool& creating) {
    creating = true;
    std::error_code ec;
    fs::remove(file, ec);
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return errno;
    ::close(fd);
    creating = false;
    return append_durably(file, bytes);
}

}  // namespace

namespace fiscal {

int generateEAD(const char* file, const char* modulus, const char* private_exponent,
                char* signature, int mode) {
    if (file == nullptr || modulus == nullptr || private_exponent == nullptr) return 0;
    const fs::path path(file);
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec) return 0;
    auto digest = fiscal::md5_of_file_prefix(path, size);
    if (!digest) return 0;
    auto hex = sign_md5(*digest, modulus, signing_public_exponent(), private_exponent);
    if (!hex || hex->size() > kSignatureMax) return 0;
    if (signature != nullptr) std::memcpy(signature, hex->c_str(), hex->size() + 1);
    if (mode == 1 && append_durably(path, "EAD" + *hex + "\r\n") != 0) return 0;
    return 1;
}

int validateFile(const char* file, const char* modulus, const char* /*private_exponent*/) {
    if (file == nullptr || modulus == nullptr) return 0;
    auto ead = trailing_ead(file);
    if (!ead) return 0;
    auto digest = md5_of_file_prefix(file, ead->offset);
    return digest && verify_md5(*digest, ead->signature, modulus, signing_public_exponent()) ? 1
                                                                                             : 0;
}

bool verify_ead(const fs::path& file) {
    if (validateFile(file.c_str(), signing_modulus(), signing_private_exponent()) == 1) return true;
    // A binary file travels with its signature in "<file>.txt".
    const fs::path companion = file.string() + ".txt";
    std::error_code ec;
    auto ead = fs::exists(companion, ec) ? trailing_ead(companion) : std::nullopt;
    if (!ead || ead->offset != 0) return false;
    const std::uintmax_t size = fs::file_size(file, ec);
    auto digest = ec ? std::nullopt : md5_of_file_prefix(file, size);
    return digest &&
           verify_md5(*digest, ead->signature, signing_modulus(), signing_public_exponent());
}

fs::path pafecf_folder() {
    fs::path folder = data_root().map("c:\\sistemas\\balcora\\pafecf");
    std::error_code ec;
    fs::create_directories(folder, ec);
    return folder;
}

}  // namespace fiscal

bool ASSINATURAEAD(const std::string& file, std::uint8_t mode) {
    std::vector<char> buffer(kSignatureMax + 1, ' ');
    buffer[kSignatureMax] = '\0';
    const char* modulus = fiscal::signing_modulus();
    const char* exponent = fiscal::signing_private_exponent();
    if (mode == 2) {
        if (fiscal::generateEAD(file.c_str(), modulus, exponent, buffer.data(), 0) != 1) {
            prompt().message("Aviso", "Não foi possivel gerar a assinatura digital do arquivo!",
                             ui::Icon::kWarning);
            return false;
        }
        const std::string companion = file + ".txt";
        std::string signature(buffer.data());
        while (!signature.empty() && signature.back() == ' ') signature.pop_back();
        bool creating = false;
        if (int code = write_new_file(companion, "EAD" + signature + "\r\n", creating)) {
            if (creating)
                show_file_error("Erro", code, "ao criar o arquivo ", companion);
            else
                show_file_error("Erro1", code, "ao abrir o arquivo ", companion);
            return false;
        }
        return true;
    }
    // A file signed before carries its old EAD line: it goes, so the file
    // ends in exactly one EAD, the new one.
    if (auto old = trailing_ead(file)) {
        std::error_code ec;
        fs::resize_file(file, old->offset, ec);
    }
    if (fiscal::generateEAD(file.c_str(), modulus, exponent, buffer.data(), 1) != 1) {
        prompt().message("Aviso", "Não foi possível gerar a assinatura digital do arquivo!",
                         ui::Icon::kWarning);
        return false;
    }
    if (fiscal::validateFile(file.c_str(), modulus, exponent) != 1) {
        prompt().message("Aviso", "Não foi possivel validar o arquivo digital!",
                         ui::Icon::kWarning);
        return false;
    }
    return true;
}

std::string ULTIMOARQSALVO(const std::string& folder) {
    std::error_code ec;
    std::optional<fs::directory_entry> newest;
    fs::file_time_type newest_time;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code entry_ec;
        if (!it->is_regular_file(entry_ec)) continue;
        const auto time = it->last_write_time(entry_ec);
        if (entry_ec) continue;
        // Ties (the same instant) go to the later name, so the answer never
        // depends on the order the folder lists its files in.
        if (!newest || time > newest_time ||
            (time == newest_time && it->path().filename() > newest->path().filename())) {
            newest = *it;
            newest_time = time;
        }
    }
    return newest ? newest->path().string() : std::string();
}

bool ATUALIZAEAD(const std::string& source, const std::string& target) {
    std::error_code ec;
    fs::remove(target, ec);
    std::ofstream out(target, std::ios::binary | std::ios::trunc);
    if (!out) {
        show_file_error("Erro", errno, "ao criar o arquivo ", target);
        return false;
    }
    std::ifstream in(source, std::ios::binary);
    if (!in) {
        const int code = errno;
        out.close();
        fs::remove(target, ec);
        show_file_error("Erro2", code, "ao abrir o arquivo: ", source);
        return false;
    }
    std::string line;
    while (std::getline(in, line)) {
        if (line.compare(0, 3, "EAD") == 0) continue;
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) line.pop_back();
        out << line << "\r\n";
    }
    const bool read_failed = in.bad();
    out.flush();
    const bool write_failed = !out;
    out.close();
    if (read_failed || write_failed) {
        // The copy is incomplete: the printer's file stays where it was, so
        // nothing is lost and the operator can try again.
        const int code = errno;
        fs::remove(target, ec);
        prompt().message(
            "Erro", "Erro (" + std::to_string(code) + ") ao copiar " + source + " para " + target,
            ui::Icon::kError);
        return false;
    }
    fs::remove(source, ec);
    return ASSINATURAEAD(target);
}

}  // namespace balcora
