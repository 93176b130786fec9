#include "blocox/ws_answer.h"

#include "platform/exchange_file.h"
#include "util/text.h"

#include <libxml/parser.h>
#include <libxml/tree.h>
#include <libxml/xmlwriter.h>

#include <cerrno>
#include <memory>

namespace balcora::blocox {

namespace {

struct DocFree {
    void operator()(xmlDoc* d) const { xmlFreeDoc(d); }
};
struct WriterFree {
    void operator()(xmlTextWriter* w) const { xmlFreeTextWriter(w); }
};

bool named(const xmlNode* node, std::string_view name) {
    return node->type == XML_ELEMENT_NODE &&
           std::string_view(reinterpret_cast<const char*>(node->name)) == name;
}

// The first element of that name in document order; the client may hand the
// Resposta over bare or still inside its envelope.
const xmlNode* find_element(const xmlNode* node, std::string_view name) {
    for (; node; node = node->next) {
        if (named(node, name)) return node;
        if (const xmlNode* inner = find_element(node->children, name)) return inner;
    }
    return nullptr;
}

std::string child_text(const xmlNode* parent, std::string_view name) {
    for (const xmlNode* c = parent->children; c; c = c->next) {
        if (!named(c, name)) continue;
        xmlChar* text = xmlNodeGetContent(c);
        std::string out = text ? reinterpret_cast<const char*>(text) : "";
        xmlFree(text);
        return out;
    }
    return {};
}

std::string read_error(int code, const std::filesystem::path& file) {
    return "Erro (" + std::to_string(code) + ") ao ler arquivo \"" + file.string() + "\"!";
}

bool receipt_character(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '-';
}

}  // namespace

std::optional<WsAnswer> read_answer(const std::filesystem::path& file, std::string* error) {
    // Opened without blocking and read within a limit: a FIFO or a huge
    // file left in the answer's place must not hold the program.
    const platform::ExchangeFile read =
        platform::read_exchange_file(file, platform::Links::kRefuse, kMaxAnswerBytes);
    if (read.outcome == platform::ExchangeRead::kMissing ||
        read.outcome == platform::ExchangeRead::kFailed) {
        *error = read_error(read.error, file);
        return std::nullopt;
    }
    if (!read.read()) {
        *error = "Retorno do Fisco não lido: o arquivo \"" + file.string() + "\" " +
                 platform::exchange_read_reason(read) + "!";
        return std::nullopt;
    }
    // No network, no entity expansion, no DTD: the file came from outside.
    std::unique_ptr<xmlDoc, DocFree> doc(xmlReadMemory(
        read.bytes.data(), static_cast<int>(read.bytes.size()), file.c_str(), nullptr,
        XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING | XML_PARSE_NOBLANKS));
    if (!doc) {
        const xmlError* e = xmlGetLastError();
        *error = read_error(e && e->code ? e->code : EINVAL, file);
        return std::nullopt;
    }
    const xmlNode* resposta = find_element(xmlDocGetRootElement(doc.get()), "Resposta");
    if (!resposta) {
        *error = "Retorno do Fisco sem o elemento Resposta no arquivo \"" + file.string() + "\"!";
        return std::nullopt;
    }
    WsAnswer answer;
    answer.code = util::trim(child_text(resposta, "SituacaoProcessamentoCodigo"));
    answer.message = child_text(resposta, "Mensagem");
    answer.receipt = util::trim(child_text(resposta, "Recibo"));
    return answer;
}

bool is_receipt(std::string_view text) {
    if (text.size() != kReceiptLength) return false;
    for (char c : text)
        if (!receipt_character(c)) return false;
    return true;
}

SendVerdict judge_send_answer(const WsAnswer& answer) {
    SendVerdict v;
    std::string receipt;
    if (answer.code == "0") {
        receipt = answer.receipt;
    } else if (answer.code == "2" && (answer.message.starts_with("Erro 3001") ||
                                      answer.message.starts_with("Erro 1009"))) {
        // Already received: the message ends in the receipt given then.
        const std::string m = util::trim_right(answer.message);
        receipt = m.size() >= kReceiptLength ? m.substr(m.size() - kReceiptLength) : m;
    } else {
        v.shown = shown_message(answer.message);
        if (v.shown.empty())
            v.shown =
                "Retorno do Fisco com situação " + shown_message(answer.code) + " sem mensagem.";
        return v;
    }
    if (!is_receipt(receipt)) {
        v.shown = "Recibo inválido no retorno do Fisco: \"" + shown_message(receipt) +
                  "\". O arquivo continua pendente.";
        return v;
    }
    v.received = true;
    v.receipt = receipt;
    return v;
}

std::string shown_message(std::string_view message) {
    std::string clean;
    clean.reserve(std::min(message.size(), kMaxShownMessage * 4));
    std::size_t characters = 0;
    for (std::size_t i = 0; i < message.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(message[i]);
        if (c < 0x20 && c != '\n') continue;
        // Counts characters, not bytes: continuation bytes do not start one.
        if ((c & 0xC0) != 0x80 && ++characters > kMaxShownMessage) {
            clean += "...";
            break;
        }
        // "|" breaks the line in our message boxes, and so does a line feed.
        clean += c == '\n' ? '|' : static_cast<char>(c);
    }
    return util::trim(clean);
}

bool write_query_request(const std::filesystem::path& file, std::string_view receipt,
                         std::string* error) {
    std::unique_ptr<xmlTextWriter, WriterFree> w(xmlNewTextWriterFilename(file.c_str(), 0));
    const std::string r(receipt);
    const bool ok =
        w && xmlTextWriterStartDocument(w.get(), "1.0", "UTF-8", nullptr) >= 0 &&
        xmlTextWriterStartElement(w.get(), BAD_CAST "Manutencao") >= 0 &&
        xmlTextWriterWriteAttribute(w.get(), BAD_CAST "Versao", BAD_CAST "1.0") >= 0 &&
        xmlTextWriterStartElement(w.get(), BAD_CAST "Mensagem") >= 0 &&
        xmlTextWriterWriteElement(w.get(), BAD_CAST "Recibo", BAD_CAST r.c_str()) >= 0 &&
        xmlTextWriterEndDocument(w.get()) >= 0;
    if (ok && xmlTextWriterFlush(w.get()) >= 0) {
        w.reset();
        return true;
    }
    *error = "Erro (" + std::to_string(errno) + ") ao gerar arquivo \"" + file.string() + "\"!";
    return false;
}

}  // namespace balcora::blocox
