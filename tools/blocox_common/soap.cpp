#include "soap.h"

#include "xml_security.h"

namespace blocox {

namespace {

constexpr const char* kEnvelopeNamespace = "http://www.w3.org/2003/05/soap-envelope";

const xmlChar* x(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

// An envelope with an empty body, the body returned through *body.
XmlDoc envelope(xmlNode** body) {
    XmlDoc doc(xmlNewDoc(x("1.0")));
    xmlNode* root = xmlNewDocNode(doc.get(), nullptr, x("Envelope"), nullptr);
    xmlDocSetRootElement(doc.get(), root);
    xmlNs* soap = xmlNewNs(root, x(kEnvelopeNamespace), x("soap12"));
    xmlSetNs(root, soap);
    *body = xmlNewChild(root, soap, x("Body"), nullptr);
    return doc;
}

xmlNode* operation_node(xmlNode* body, std::string_view name) {
    xmlNode* node = xmlNewChild(body, nullptr, x(std::string(name).c_str()), nullptr);
    xmlSetNs(node, xmlNewNs(node, x(std::string(kServiceNamespace).c_str()), nullptr));
    return node;
}

void leaf(xmlNode* parent, const char* name, std::string_view value) {
    // xmlNewTextChild escapes the text; the child takes the parent's namespace.
    xmlNewTextChild(parent, parent->ns, x(name), x(std::string(value).c_str()));
}

xmlNode* body_of(xmlDoc* doc, std::string* error) {
    xmlNode* root = xmlDocGetRootElement(doc);
    if (local_name(root) != "Envelope") {
        *error = "não é um envelope SOAP";
        return nullptr;
    }
    xmlNode* body = child_element(root, "Body");
    xmlNode* first = nullptr;
    for (xmlNode* c = body ? body->children : nullptr; c && !first; c = c->next)
        if (c->type == XML_ELEMENT_NODE) first = c;
    if (!first) *error = "envelope SOAP sem conteúdo";
    return first;
}

}  // namespace

std::string soap_request(const SoapRequest& request) {
    xmlNode* body = nullptr;
    XmlDoc doc = envelope(&body);
    xmlNode* op = operation_node(body, request.operation);
    leaf(op, "pXmlZipado", request.payload);
    leaf(op, "pAmbiente", request.environment);
    return dump_xml(doc.get());
}

std::optional<SoapRequest> read_soap_request(std::string_view text, std::string* error) {
    XmlDoc doc = parse_xml(text, error);
    if (!doc) return std::nullopt;
    xmlNode* op = body_of(doc.get(), error);
    if (!op) return std::nullopt;
    xmlNode* payload = child_element(op, "pXmlZipado");
    if (!payload) {
        *error = "requisição sem pXmlZipado";
        return std::nullopt;
    }
    return SoapRequest{local_name(op), text_of(payload), text_of(child_element(op, "pAmbiente"))};
}

std::string soap_response(std::string_view operation, std::string_view result) {
    xmlNode* body = nullptr;
    XmlDoc doc = envelope(&body);
    xmlNode* op = operation_node(body, std::string(operation) + "Response");
    leaf(op, (std::string(operation) + "Result").c_str(), result);
    return dump_xml(doc.get());
}

std::string soap_fault(std::string_view reason) {
    xmlNode* body = nullptr;
    XmlDoc doc = envelope(&body);
    xmlNode* fault = xmlNewChild(body, body->ns, x("Fault"), nullptr);
    xmlNode* code = xmlNewChild(fault, body->ns, x("Code"), nullptr);
    xmlNewTextChild(code, body->ns, x("Value"), x("soap12:Sender"));
    xmlNode* why = xmlNewChild(fault, body->ns, x("Reason"), nullptr);
    xmlNode* t = xmlNewTextChild(why, body->ns, x("Text"), x(std::string(reason).c_str()));
    xmlNodeSetLang(t, x("pt-BR"));
    return dump_xml(doc.get());
}

std::optional<std::string> read_soap_response(std::string_view text, std::string* error) {
    XmlDoc doc = parse_xml(text, error);
    if (!doc) return std::nullopt;
    xmlNode* op = body_of(doc.get(), error);
    if (!op) return std::nullopt;
    if (local_name(op) == "Fault") {
        xmlNode* reason = child_element(op, "Reason");
        *error = "falha SOAP: " + text_of(reason ? child_element(reason, "Text") : op);
        return std::nullopt;
    }
    for (xmlNode* c = op->children; c; c = c->next) {
        std::string name = local_name(c);
        if (c->type == XML_ELEMENT_NODE && name.size() > 6 &&
            name.compare(name.size() - 6, 6, "Result") == 0)
            return text_of(c);
    }
    *error = "resposta SOAP sem resultado";
    return std::nullopt;
}

}  // namespace blocox
