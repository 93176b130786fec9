#include "exchange_file.h"

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace fs = std::filesystem;

namespace blocox {

namespace {

void configure(CSimpleIniA& ini) {
    ini.SetUnicode(true);
    ini.SetMultiKey(false);
    ini.SetMultiLine(false);
    ini.SetSpaces(false);
}

// Windows drops the quotes around a value it reads; so does this reader.
std::string value(const CSimpleIniA& ini, const char* section, const char* key) {
    const char* v = ini.GetValue(section, key, "");
    std::string text = v ? v : "";
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return text;
}

long seconds(const CSimpleIniA& ini, const char* key, long fallback, long most) {
    std::string text = value(ini, "Config", key);
    if (text.empty()) return fallback;
    char* end = nullptr;
    long v = std::strtol(text.c_str(), &end, 10);
    if (*end != '\0' || v < 1) return fallback;
    return v > most ? most : v;
}

bool load(const fs::path& ini_path, CSimpleIniA& ini, std::string* error) {
    std::error_code ec;
    if (!fs::exists(ini_path, ec)) {
        *error = "Arquivo de troca não encontrado: " + ini_path.string();
        return false;
    }
    std::ifstream probe(ini_path, std::ios::binary);
    if (!fs::is_regular_file(ini_path, ec) || !probe) {
        *error =
            "Arquivo de troca ilegível: " + ini_path.string() + " (" + std::strerror(errno) + ")";
        return false;
    }
    configure(ini);
    if (ini.LoadFile(ini_path.c_str()) < 0) {
        *error = "Arquivo de troca ilegível: " + ini_path.string();
        return false;
    }
    return true;
}

bool write_all(int fd, const std::string& text) {
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

// Written aside and renamed, so the program never reads half a file. The file
// holds the certificate's password: the new one keeps the old one's mode,
// and the temporary name is created afresh, never opened through a link.
bool replace_keeping_mode(const fs::path& file, const std::string& text) {
    struct stat old {};
    if (::stat(file.c_str(), &old) != 0) return false;
    fs::path tmp = file;
    tmp += ".tmp";
    ::unlink(tmp.c_str());
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return false;
    bool ok = ::fchmod(fd, old.st_mode & 0777) == 0 && write_all(fd, text);
    ok = ::close(fd) == 0 && ok;
    if (ok && ::rename(tmp.c_str(), file.c_str()) == 0) return true;
    const int e = errno;
    ::unlink(tmp.c_str());
    errno = e;
    return false;
}

}  // namespace

fs::path machine_path(const std::string& text, const fs::path& root) {
    bool windows =
        text.size() >= 2 && std::isalpha(static_cast<unsigned char>(text[0])) && text[1] == ':';
    if (!windows) return fs::path(text);
    std::string rest = text.substr(2);
    for (char& c : rest)
        if (c == '\\') c = '/';
    while (!rest.empty() && rest.front() == '/') rest.erase(0, 1);
    return (root / rest).lexically_normal();
}

bool read_exchange(const fs::path& ini_path, const fs::path& root, Exchange* out,
                   std::string* error) {
    CSimpleIniA ini;
    if (!load(ini_path, ini, error)) return false;
    out->action = value(ini, "Envio", "AcaoEnvio");
    std::string file = value(ini, "Envio", "Arquivo");
    out->file = file.empty() || file == "null" ? fs::path() : machine_path(file, root);
    out->receipt = value(ini, "Envio", "Recibo");
    out->certificate_type = value(ini, "Config", "TipoCertificado");
    std::string certificate = value(ini, "Config", "Certificado");
    out->certificate = certificate.empty() ? fs::path() : machine_path(certificate, root);
    out->password = value(ini, "Config", "Senha");
    out->environment = value(ini, "Config", "Ambiente");
    out->address = value(ini, "Config", "EnderecoFisco");
    std::string trusted = value(ini, "Config", "CertificadoFisco");
    out->authority_certificate = trusted.empty() ? fs::path() : machine_path(trusted, root);
    out->connect_seconds = seconds(ini, "TempoConexao", 15, 300);
    out->total_seconds = seconds(ini, "TempoResposta", 60, 600);
    const std::string version = value(ini, "Config", "VersaoSoap");
    if (version.empty() || version == "1.1")
        out->soap_version = SoapVersion::k11;
    else if (version == "1.2")
        out->soap_version = SoapVersion::k12;
    else {
        *error = "VersaoSoap inválida no arquivo de troca: \"" + version + "\" (use 1.1 ou 1.2)";
        return false;
    }
    std::string signature = value(ini, "Config", "Assinatura");
    for (char& c : signature) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (signature.empty() || signature == "SHA1" || signature == "SHA-1")
        out->signature = SignatureProfile::kRsaSha1;
    else if (signature == "SHA256" || signature == "SHA-256")
        out->signature = SignatureProfile::kRsaSha256;
    else {
        *error =
            "Assinatura inválida no arquivo de troca: \"" + signature + "\" (use SHA1 ou SHA256)";
        return false;
    }
    const std::string trace = value(ini, "Config", "RegistroSoap");
    out->trace_folder = trace.empty() ? fs::path() : machine_path(trace, root);
    return true;
}

bool write_outcome(const fs::path& ini_path, bool answered, const fs::path& answer,
                   const std::string& message, std::string* error, const fs::path& extracted) {
    CSimpleIniA ini;
    if (!load(ini_path, ini, error)) return false;
    ini.SetValue("Retorno", "Status", answered ? "Ok" : "Erro");
    ini.SetValue("Retorno", "Arquivo", answered ? answer.c_str() : "null");
    ini.SetValue("Retorno", "Mensagem", message.c_str());
    if (extracted.empty())
        ini.Delete("Retorno", "ArquivoBaixado");
    else
        ini.SetValue("Retorno", "ArquivoBaixado", extracted.c_str());
    std::string text;
    if (ini.Save(text, false) < 0 || !replace_keeping_mode(ini_path, text)) {
        *error = "Erro ao gravar o arquivo de troca " + ini_path.string() + " (" +
                 std::strerror(errno) + ")";
        return false;
    }
    return true;
}

}  // namespace blocox
