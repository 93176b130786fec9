#include "xml_security.h"

#include <libxml/parser.h>
#include <xmlsec/crypto.h>
#include <xmlsec/errors.h>
#include <xmlsec/xmlsec.h>

#include <cstdarg>
#include <cstdio>

namespace blocox {

namespace {

std::string last_error;

void collect_libxml(void*, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    // libxml2 gives a message in pieces; the first line says what went wrong.
    if (last_error.empty() || last_error.back() != '\n') last_error += text;
}

void collect_xmlsec(const char*, int, const char*, const char* object, const char* subject,
                    int reason, const char* message) {
    std::string text;
    for (xmlSecSize i = 0; i < XMLSEC_ERRORS_MAX_NUMBER; ++i) {
        if (xmlSecErrorsGetMsg(i) == nullptr) break;
        if (xmlSecErrorsGetCode(i) == reason) {
            text = xmlSecErrorsGetMsg(i);
            break;
        }
    }
    if (message && *message) text += (text.empty() ? "" : ": ") + std::string(message);
    if (subject && *subject) text = std::string(subject) + ": " + text;
    (void)object;
    last_error = text;
}

}  // namespace

XmlSecurity::XmlSecurity() {
    xmlInitParser();
    xmlSetGenericErrorFunc(nullptr, collect_libxml);
    if (xmlSecInit() < 0) return;
    if (xmlSecCheckVersion() != 1) return;
    xmlSecErrorsSetCallback(collect_xmlsec);
    if (xmlSecCryptoAppInit(nullptr) < 0) return;
    if (xmlSecCryptoInit() < 0) return;
    ready_ = true;
}

XmlSecurity::~XmlSecurity() {
    if (ready_) {
        xmlSecCryptoShutdown();
        xmlSecCryptoAppShutdown();
    }
    xmlSecShutdown();
    xmlCleanupParser();
}

std::string take_xml_error() {
    std::string text = std::move(last_error);
    last_error.clear();
    while (!text.empty() && (text.back() == '\n' || text.back() == ' ')) text.pop_back();
    return text;
}

XmlDoc parse_xml(std::string_view text, std::string* error) {
    take_xml_error();
    XmlDoc doc(xmlReadMemory(text.data(), static_cast<int>(text.size()), nullptr, nullptr,
                             XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING));
    if (!doc) {
        const xmlError* e = xmlGetLastError();
        *error = e && e->message ? e->message : "XML mal formado";
        while (!error->empty() && error->back() == '\n') error->pop_back();
        return nullptr;
    }
    if (doc->intSubset != nullptr) {
        *error = "declaração de tipo de documento (DOCTYPE) não é aceita";
        return nullptr;
    }
    if (xmlDocGetRootElement(doc.get()) == nullptr) {
        *error = "documento sem elemento raiz";
        return nullptr;
    }
    return doc;
}

std::string dump_xml(xmlDoc* doc) {
    xmlChar* buffer = nullptr;
    int size = 0;
    xmlDocDumpMemoryEnc(doc, &buffer, &size, "UTF-8");
    std::string text(reinterpret_cast<char*>(buffer), buffer ? size : 0);
    xmlFree(buffer);
    return text;
}

std::string local_name(const xmlNode* node) {
    return node && node->name ? reinterpret_cast<const char*>(node->name) : "";
}

xmlNode* next_element(xmlNode* node) {
    for (node = node ? node->next : nullptr; node; node = node->next)
        if (node->type == XML_ELEMENT_NODE) return node;
    return nullptr;
}

xmlNode* child_element(xmlNode* parent, std::string_view name) {
    if (!parent) return nullptr;
    for (xmlNode* c = parent->children; c; c = c->next)
        if (c->type == XML_ELEMENT_NODE && local_name(c) == name) return c;
    return nullptr;
}

std::string text_of(const xmlNode* node) {
    if (!node) return {};
    xmlChar* content = xmlNodeGetContent(node);
    std::string text = content ? reinterpret_cast<char*>(content) : "";
    xmlFree(content);
    return text;
}

}  // namespace blocox
