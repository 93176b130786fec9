#include "soap.h"

#include "xml_security.h"

#include <cctype>

namespace blocox {

namespace {

struct OperationParameter {
    std::string_view operation;
    std::string_view parameter;
};

constexpr OperationParameter kOperations[] = {
    {kTransmit, "pXmlCompactado"},
    {kQueryProcessing, "pXml"},
    {kTaxpayerPendencies, "pXml"},
    {kListFiles, "pXml"},
    {kFileHistory, "pXml"},
    {kDownload, "pXml"},
    {kCancel, "pXml"},
    {kReprocess, "pXml"},
    {kDeveloperPendencies, "pXml"},
    {kMethodStatus, ""},
};

const xmlChar* x(const char* s) {
    return reinterpret_cast<const xmlChar*>(s);
}

std::string_view envelope_namespace(SoapVersion v) {
    return v == SoapVersion::k11 ? kSoap11Namespace : kSoap12Namespace;
}

std::string namespace_of(const xmlNode* node) {
    return node && node->ns && node->ns->href ? reinterpret_cast<const char*>(node->ns->href) : "";
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

std::string trimmed(std::string_view s) {
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
    while (!s.empty() && std::isspace(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
    return std::string(s);
}

std::string unquoted(std::string_view s) {
    std::string t = trimmed(s);
    if (t.size() >= 2 && t.front() == '"' && t.back() == '"') t = t.substr(1, t.size() - 2);
    return t;
}

// The "action" parameter of a SOAP 1.2 content type; empty when absent.
std::string action_parameter(std::string_view content_type) {
    const std::string l = lower(content_type);
    size_t at = l.find("action=");
    if (at == std::string::npos) return {};
    at += 7;
    size_t end = content_type.find(';', at);
    return unquoted(content_type.substr(at, end == std::string::npos ? end : end - at));
}

const char* version_name(SoapVersion v) {
    return v == SoapVersion::k11 ? "SOAP 1.1" : "SOAP 1.2";
}

// An envelope with an empty body, the body returned through *body.
XmlDoc envelope(SoapVersion version, xmlNode** body) {
    XmlDoc doc(xmlNewDoc(x("1.0")));
    xmlNode* root = xmlNewDocNode(doc.get(), nullptr, x("Envelope"), nullptr);
    xmlDocSetRootElement(doc.get(), root);
    xmlNs* soap = xmlNewNs(root, x(std::string(envelope_namespace(version)).c_str()),
                           x(version == SoapVersion::k11 ? "soap" : "soap12"));
    xmlNewNs(root, x("http://www.w3.org/2001/XMLSchema-instance"), x("xsi"));
    xmlNewNs(root, x("http://www.w3.org/2001/XMLSchema"), x("xsd"));
    xmlSetNs(root, soap);
    *body = xmlNewChild(root, soap, x("Body"), nullptr);
    return doc;
}

xmlNode* service_element(xmlNode* body, std::string_view name) {
    xmlNode* node = xmlNewChild(body, nullptr, x(std::string(name).c_str()), nullptr);
    xmlSetNs(node, xmlNewNs(node, x(std::string(kServiceNamespace).c_str()), nullptr));
    return node;
}

// The first element child of the envelope's body; nothing with the reason
// when the document is no envelope of either version.
xmlNode* body_content(xmlDoc* doc, SoapVersion* version, std::string* error) {
    xmlNode* root = xmlDocGetRootElement(doc);
    const std::string ns = namespace_of(root);
    if (local_name(root) != "Envelope") {
        *error = "não é um envelope SOAP (elemento raiz " + local_name(root) + ")";
        return nullptr;
    }
    if (ns == kSoap11Namespace)
        *version = SoapVersion::k11;
    else if (ns == kSoap12Namespace)
        *version = SoapVersion::k12;
    else {
        *error = "envelope SOAP em namespace desconhecido: \"" + ns + "\"";
        return nullptr;
    }
    xmlNode* body = child_element(root, "Body");
    if (!body || namespace_of(body) != ns) {
        *error = "envelope SOAP sem Body";
        return nullptr;
    }
    xmlNode* first = nullptr;
    for (xmlNode* c = body->children; c && !first; c = c->next)
        if (c->type == XML_ELEMENT_NODE) first = c;
    if (!first) *error = "envelope SOAP com Body vazio";
    return first;
}

std::string fault_text(xmlNode* fault, SoapVersion version) {
    if (version == SoapVersion::k11) {
        return trimmed(text_of(child_element(fault, "faultcode"))) + ": " +
               trimmed(text_of(child_element(fault, "faultstring")));
    }
    xmlNode* code = child_element(fault, "Code");
    xmlNode* reason = child_element(fault, "Reason");
    return trimmed(text_of(child_element(code, "Value"))) + ": " +
           trimmed(text_of(child_element(reason, "Text")));
}

}  // namespace

std::optional<std::string_view> parameter_of(std::string_view operation) {
    for (const auto& o : kOperations)
        if (o.operation == operation) return o.parameter;
    return std::nullopt;
}

std::string soap_action(std::string_view operation) {
    return std::string(kServiceNamespace) + std::string(operation);
}

std::string content_type(SoapVersion version, std::string_view operation) {
    if (version == SoapVersion::k11) return "text/xml; charset=utf-8";
    return "application/soap+xml; charset=utf-8; action=\"" + soap_action(operation) + "\"";
}

std::string soap_request(const SoapRequest& request) {
    xmlNode* body = nullptr;
    XmlDoc doc = envelope(request.version, &body);
    xmlNode* op = service_element(body, request.operation);
    const std::string_view parameter = parameter_of(request.operation).value_or("pXml");
    // xmlNewTextChild escapes the text; the child takes the operation's namespace.
    if (!parameter.empty())
        xmlNewTextChild(op, op->ns, x(std::string(parameter).c_str()), x(request.argument.c_str()));
    return dump_xml(doc.get());
}

std::optional<SoapRequest> read_soap_request(std::string_view text, const SoapHeaders& headers,
                                             SoapVersion* version, std::string* error) {
    const std::string type = lower(trimmed(headers.content_type));
    *version = type.rfind("application/soap+xml", 0) == 0 ? SoapVersion::k12 : SoapVersion::k11;
    std::string reason;
    XmlDoc doc = parse_xml(text, &reason);
    if (!doc) {
        *error = "XML da requisição mal formado: " + reason;
        return std::nullopt;
    }
    xmlNode* op = body_content(doc.get(), version, &reason);
    if (!op) {
        *error = "Requisição inválida: " + reason;
        return std::nullopt;
    }
    const std::string expected_type =
        *version == SoapVersion::k11 ? "text/xml" : "application/soap+xml";
    if (type.rfind(expected_type, 0) != 0) {
        *error = std::string("Envelope ") + version_name(*version) + " com Content-Type \"" +
                 headers.content_type + "\"; esperado " + expected_type;
        return std::nullopt;
    }
    SoapRequest request;
    request.version = *version;
    request.operation = local_name(op);
    if (namespace_of(op) != kServiceNamespace) {
        *error = "Operação " + request.operation + " no namespace \"" + namespace_of(op) +
                 "\"; o serviço usa \"" + std::string(kServiceNamespace) + "\"";
        return std::nullopt;
    }
    const std::optional<std::string_view> parameter = parameter_of(request.operation);
    if (!parameter) {
        *error = "Operação desconhecida: " + request.operation;
        return std::nullopt;
    }
    const std::string expected_action = soap_action(request.operation);
    const std::string action = *version == SoapVersion::k11
                                   ? unquoted(headers.soap_action)
                                   : action_parameter(headers.content_type);
    if (*version == SoapVersion::k11 && action.empty()) {
        *error = "Cabeçalho SOAPAction ausente; esperado \"" + expected_action + "\"";
        return std::nullopt;
    }
    if (!action.empty() && action != expected_action) {
        *error = "Ação \"" + action + "\" não corresponde à operação " + request.operation +
                 "; esperado \"" + expected_action + "\"";
        return std::nullopt;
    }
    bool found = false;
    for (xmlNode* c = op->children; c; c = c->next) {
        if (c->type != XML_ELEMENT_NODE) continue;
        const std::string name = local_name(c);
        if (name != *parameter) {
            *error = "Parâmetro " + name + " desconhecido em " + request.operation +
                     (parameter->empty() ? "; a operação não recebe parâmetros"
                                         : "; esperado " + std::string(*parameter));
            return std::nullopt;
        }
        if (namespace_of(c) != kServiceNamespace) {
            *error = "Parâmetro " + name + " no namespace \"" + namespace_of(c) +
                     "\"; o serviço usa \"" + std::string(kServiceNamespace) + "\"";
            return std::nullopt;
        }
        if (found) {
            *error = "Parâmetro " + name + " repetido em " + request.operation;
            return std::nullopt;
        }
        found = true;
        request.argument = text_of(c);
    }
    if (!parameter->empty() && !found) {
        *error = "Parâmetro " + std::string(*parameter) + " ausente em " + request.operation;
        return std::nullopt;
    }
    return request;
}

std::string soap_response(SoapVersion version, std::string_view operation,
                          std::string_view result) {
    xmlNode* body = nullptr;
    XmlDoc doc = envelope(version, &body);
    xmlNode* op = service_element(body, std::string(operation) + "Response");
    xmlNewTextChild(op, op->ns, x((std::string(operation) + "Result").c_str()),
                    x(std::string(result).c_str()));
    return dump_xml(doc.get());
}

std::string soap_fault(SoapVersion version, bool client_fault, std::string_view reason) {
    xmlNode* body = nullptr;
    XmlDoc doc = envelope(version, &body);
    const std::string text(reason);
    xmlNode* fault = xmlNewChild(body, body->ns, x("Fault"), nullptr);
    if (version == SoapVersion::k11) {
        // The 1.1 fault's children are unqualified: without a namespace of
        // their own they would take the envelope's.
        xmlNode* code = xmlNewTextChild(fault, nullptr, x("faultcode"),
                                        x(client_fault ? "soap:Client" : "soap:Server"));
        xmlNode* why = xmlNewTextChild(fault, nullptr, x("faultstring"), x(text.c_str()));
        xmlSetNs(code, nullptr);
        xmlSetNs(why, nullptr);
    } else {
        xmlNode* code = xmlNewChild(fault, body->ns, x("Code"), nullptr);
        xmlNewTextChild(code, body->ns, x("Value"),
                        x(client_fault ? "soap12:Sender" : "soap12:Receiver"));
        xmlNode* why = xmlNewChild(fault, body->ns, x("Reason"), nullptr);
        xmlNode* t = xmlNewTextChild(why, body->ns, x("Text"), x(text.c_str()));
        xmlNodeSetLang(t, x("pt-BR"));
    }
    return dump_xml(doc.get());
}

std::optional<std::string> read_soap_response(std::string_view text, std::string_view operation,
                                              std::string* error) {
    const std::string head = lower(trimmed(text.substr(0, 256)));
    if (head.rfind("<!doctype html", 0) == 0 || head.rfind("<html", 0) == 0) {
        *error = "página HTML em vez de SOAP";
        return std::nullopt;
    }
    std::string reason;
    XmlDoc doc = parse_xml(text, &reason);
    if (!doc) {
        *error = "não é XML (" + reason + ")";
        return std::nullopt;
    }
    SoapVersion version = SoapVersion::k11;
    xmlNode* op = body_content(doc.get(), &version, error);
    if (!op) return std::nullopt;
    if (local_name(op) == "Fault" && namespace_of(op) == envelope_namespace(version)) {
        *error = "falha SOAP " + fault_text(op, version);
        return std::nullopt;
    }
    const std::string response = std::string(operation) + "Response";
    if (local_name(op) != response || namespace_of(op) != kServiceNamespace) {
        *error =
            "resposta " + local_name(op) + " (\"" + namespace_of(op) + "\") em vez de " + response;
        return std::nullopt;
    }
    xmlNode* result = child_element(op, std::string(operation) + "Result");
    if (!result) {
        *error = "resposta sem " + std::string(operation) + "Result";
        return std::nullopt;
    }
    return text_of(result);
}

std::string without_declaration(std::string_view xml) {
    if (xml.rfind("<?xml", 0) == 0) {
        const size_t end = xml.find("?>");
        if (end != std::string_view::npos) xml.remove_prefix(end + 2);
    }
    return trimmed(xml);
}

}  // namespace blocox
