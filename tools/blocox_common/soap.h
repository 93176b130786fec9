#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace blocox {

// The authority's SOAP 1.2 service: "Enviar" takes a Z-reduction or stock
// file, "ConsultarProcessamentoArquivo" a query request; both carry the
// signed XML zipped in base 64 ("pXmlZipado") and answer with the authority's
// "Resposta" document as the text of "<operation>Result".
inline constexpr std::string_view kServiceNamespace = "urn:balcora:blocox";
inline constexpr std::string_view kSendOperation = "Enviar";
inline constexpr std::string_view kQueryOperation = "ConsultarProcessamentoArquivo";

struct SoapRequest {
    std::string operation;
    std::string payload;      // base 64 of the zipped XML
    std::string environment;  // "1" production, "2" homologation
};

std::string soap_request(const SoapRequest& request);
// Nothing when the body is not such a request (the reason in *error).
std::optional<SoapRequest> read_soap_request(std::string_view body, std::string* error);

std::string soap_response(std::string_view operation, std::string_view result);
std::string soap_fault(std::string_view reason);
// The result text of an answer; nothing with the reason in *error when the
// body is not an answer or is a fault.
std::optional<std::string> read_soap_response(std::string_view body, std::string* error);

}  // namespace blocox
