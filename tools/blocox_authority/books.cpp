#include "books.h"

#include "xml_security.h"

#include <openssl/evp.h>
#include <openssl/rand.h>

#include <cstdio>
#include <ctime>
#include <fstream>
#include <iostream>
#include <sstream>

namespace fs = std::filesystem;

namespace blocox {

namespace {

const char* const kFolders[] = {"recebidos", "processados", "cancelados", "identidades", "dados"};

// 36 characters, the form of the authority's receipts.
std::string new_receipt() {
    unsigned char b[16];
    RAND_bytes(b, sizeof b);
    b[6] = (b[6] & 0x0f) | 0x40;
    b[8] = (b[8] & 0x3f) | 0x80;
    char text[37];
    std::snprintf(text, sizeof text,
                  "%02x%02x%02x%02x-%02x%02x-%02x%02x-%02x%02x-%02x%02x%02x%02x%02x%02x", b[0],
                  b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return text;
}

std::string digest_name(const std::string& identity) {
    unsigned char md[EVP_MAX_MD_SIZE];
    unsigned int n = 0;
    EVP_Digest(identity.data(), identity.size(), md, &n, EVP_sha256(), nullptr);
    std::string hex;
    char two[3];
    for (unsigned int i = 0; i < n; ++i) {
        std::snprintf(two, sizeof two, "%02x", md[i]);
        hex += two;
    }
    return hex;
}

std::string read_text(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

bool write_text(const fs::path& file, const std::string& text) {
    fs::path tmp = file;
    tmp += ".tmp";
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out << text;
        if (!out.flush()) return false;
    }
    std::error_code ec;
    fs::rename(tmp, file, ec);
    return !ec;
}

// Values kept one per line: no line break may reach them.
std::string one_line(std::string v) {
    for (char& c : v)
        if (c == '\n' || c == '\r' || c == '|') c = ' ';
    return v;
}

std::string field(const std::string& text, const std::string& key) {
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(key + "=", 0) == 0) return line.substr(key.size() + 1);
    return {};
}

}  // namespace

bool receipt_form(const std::string& r) {
    if (r.size() != 36) return false;
    for (size_t i = 0; i < r.size(); ++i) {
        bool dash = i == 8 || i == 13 || i == 18 || i == 23;
        if (dash ? r[i] != '-' : !std::isxdigit(static_cast<unsigned char>(r[i]))) return false;
    }
    return true;
}

std::string now_text() {
    std::time_t now = std::time(nullptr);
    std::tm t{};
    localtime_r(&now, &t);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &t);
    return text;
}

bool Books::open(std::string* error) {
    std::error_code ec;
    for (const char* sub : kFolders) {
        fs::create_directories(root_ / sub, ec);
        if (ec) {
            *error = "não foi possível criar " + (root_ / sub).string() + ": " + ec.message();
            return false;
        }
    }
    return true;
}

std::string Books::first_receipt(const std::string& identity) const {
    std::error_code ec;
    const fs::path f = root_ / "identidades" / digest_name(identity);
    return fs::exists(f, ec) ? read_text(f) : std::string();
}

std::string Books::receive(xmlNode* root, const std::string& identity,
                           const std::string& signed_xml) {
    xmlNode* message = child_element(root, "Mensagem");
    FileRecord r;
    r.receipt = new_receipt();
    r.kind = local_name(root);
    r.ie = text_of(child_element(child_element(message, "Estabelecimento"), "Ie"));
    if (r.kind == "ReducaoZ") {
        xmlNode* ecf = child_element(message, "Ecf");
        xmlNode* data = child_element(ecf, "DadosReducaoZ");
        r.ecf = text_of(child_element(ecf, "NumeroFabricacao"));
        r.crz = text_of(child_element(data, "CRZ"));
        r.reference = text_of(child_element(data, "DataReferencia"));
    } else {
        r.reference =
            text_of(child_element(child_element(message, "DadosEstoque"), "DataReferencia"));
    }
    r.received = now_text();
    const std::string facts =
        "Tipo=" + one_line(r.kind) + "\nIE=" + one_line(r.ie) + "\nECF=" + one_line(r.ecf) +
        "\nCRZ=" + one_line(r.crz) + "\nDataReferencia=" + one_line(r.reference) +
        "\nDataRecepcao=" + r.received + "\nIdentidade=" + one_line(identity) + "\n";
    if (!write_text(root_ / "recebidos" / (r.receipt + ".xml"), signed_xml) ||
        !write_text(root_ / "dados" / (r.receipt + ".txt"), facts) ||
        !write_text(root_ / "identidades" / digest_name(identity), r.receipt))
        return {};
    note(r.receipt, "1", "Arquivo recebido", "");
    return r.receipt;
}

void Books::process_due(std::chrono::seconds delay) {
    const auto now = fs::file_time_type::clock::now();
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root_ / "recebidos", ec)) {
        if (entry.path().extension() != ".xml") continue;
        auto when = fs::last_write_time(entry.path(), ec);
        if (ec || now - when < delay) continue;
        fs::rename(entry.path(), root_ / "processados" / entry.path().filename(), ec);
        if (ec) continue;
        note(entry.path().stem().string(), "2", "Arquivo processado e aceito", "");
        std::cerr << "autoridade: processado " << entry.path().stem().string() << "\n";
    }
}

std::optional<FileRecord> Books::find(const std::string& receipt) const {
    if (!receipt_form(receipt)) return std::nullopt;
    std::error_code ec;
    const fs::path facts_file = root_ / "dados" / (receipt + ".txt");
    if (!fs::exists(facts_file, ec)) return std::nullopt;
    const std::string facts = read_text(facts_file);
    FileRecord r;
    r.receipt = receipt;
    r.kind = field(facts, "Tipo");
    r.ie = field(facts, "IE");
    r.ecf = field(facts, "ECF");
    r.crz = field(facts, "CRZ");
    r.reference = field(facts, "DataReferencia");
    r.received = field(facts, "DataRecepcao");
    r.identity = field(facts, "Identidade");
    const std::string name = receipt + ".xml";
    if (fs::exists(root_ / "processados" / name, ec))
        r.state = FileRecord::State::kProcessed;
    else if (fs::exists(root_ / "cancelados" / name, ec))
        r.state = FileRecord::State::kCancelled;
    else if (fs::exists(root_ / "recebidos" / name, ec))
        r.state = FileRecord::State::kWaiting;
    else
        return std::nullopt;
    return r;
}

std::vector<FileRecord> Books::all() const {
    std::vector<FileRecord> out;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(root_ / "dados", ec))
        if (entry.path().extension() == ".txt")
            if (auto r = find(entry.path().stem().string())) out.push_back(*r);
    return out;
}

fs::path Books::file_of(const FileRecord& r) const {
    const char* folder = r.state == FileRecord::State::kProcessed   ? "processados"
                         : r.state == FileRecord::State::kCancelled ? "cancelados"
                                                                    : "recebidos";
    return root_ / folder / (r.receipt + ".xml");
}

std::string Books::signed_file(const FileRecord& r) const {
    return read_text(file_of(r));
}

void Books::note(const std::string& receipt, const std::string& code,
                 const std::string& description, const std::string& reason) const {
    std::ofstream(root_ / "dados" / (receipt + ".historico"), std::ios::app)
        << now_text() << "|" << code << "|" << one_line(description) << "|" << one_line(reason)
        << "\n";
}

std::vector<FileEvent> Books::history(const std::string& receipt) const {
    std::vector<FileEvent> out;
    std::istringstream in(read_text(root_ / "dados" / (receipt + ".historico")));
    for (std::string line; std::getline(in, line);) {
        FileEvent e;
        std::istringstream parts(line);
        std::getline(parts, e.when, '|');
        std::getline(parts, e.code, '|');
        std::getline(parts, e.description, '|');
        std::getline(parts, e.reason);
        out.push_back(std::move(e));
    }
    return out;
}

std::string Books::cancel(const FileRecord& r, const std::string& reason) {
    if (r.state == FileRecord::State::kCancelled)
        return "Erro 1012 - Arquivo já cancelado: " + r.receipt;
    std::error_code ec;
    fs::rename(file_of(r), root_ / "cancelados" / (r.receipt + ".xml"), ec);
    if (ec) return "Erro 1998 - Falha interna ao cancelar o arquivo; tente novamente.";
    // A cancelled file may be sent again: it no longer answers for its identity.
    const fs::path identity = root_ / "identidades" / digest_name(r.identity);
    if (read_text(identity) == r.receipt) fs::remove(identity, ec);
    note(r.receipt, "3", "Arquivo cancelado", reason);
    return {};
}

std::string Books::reprocess(const FileRecord& r, const std::string& reason) {
    const fs::path identity = root_ / "identidades" / digest_name(r.identity);
    const std::string holder = read_text(identity);
    if (!holder.empty() && holder != r.receipt)
        return "Erro 1011 - Outro arquivo do mesmo período já foi recebido. Recibo: " + holder;
    std::error_code ec;
    const fs::path waiting = root_ / "recebidos" / (r.receipt + ".xml");
    if (r.state != FileRecord::State::kWaiting) fs::rename(file_of(r), waiting, ec);
    if (!ec) fs::last_write_time(waiting, fs::file_time_type::clock::now(), ec);
    if (ec || !write_text(identity, r.receipt))
        return "Erro 1998 - Falha interna ao reprocessar o arquivo; tente novamente.";
    note(r.receipt, "4", "Arquivo enviado para reprocessamento", reason);
    return {};
}

}  // namespace blocox
