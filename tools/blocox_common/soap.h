#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace blocox {

// The authority's published service "BlocoX" (document/literal), bound for
// SOAP 1.1 and SOAP 1.2. Every parameter and every answer element lives in
// the service namespace, which already ends in "/": the action of an
// operation is the namespace followed by the operation's name.
inline constexpr std::string_view kServiceNamespace = "http://webservices.sef.sc.gov.br/wsDfeSiv/";
inline constexpr std::string_view kSoap11Namespace = "http://schemas.xmlsoap.org/soap/envelope/";
inline constexpr std::string_view kSoap12Namespace = "http://www.w3.org/2003/05/soap-envelope";

inline constexpr std::string_view kTransmit = "TransmitirArquivo";
inline constexpr std::string_view kQueryProcessing = "ConsultarProcessamentoArquivo";
inline constexpr std::string_view kTaxpayerPendencies = "ConsultarPendenciasContribuinte";
inline constexpr std::string_view kListFiles = "ListarArquivos";
inline constexpr std::string_view kFileHistory = "ConsultarHistoricoArquivo";
inline constexpr std::string_view kDownload = "DownloadArquivo";
inline constexpr std::string_view kCancel = "CancelarArquivo";
inline constexpr std::string_view kReprocess = "ReprocessarArquivo";
inline constexpr std::string_view kDeveloperPendencies = "ConsultarPendenciasDesenvolvedorPafEcf";
inline constexpr std::string_view kMethodStatus = "ConsultarStatusMetodosBlocoX";
inline constexpr std::string_view kAllOperations[] = {
    kTransmit, kQueryProcessing, kTaxpayerPendencies, kListFiles,           kFileHistory,
    kDownload, kCancel,          kReprocess,          kDeveloperPendencies, kMethodStatus};

// The parameter each operation takes: "pXmlCompactado" (base 64 of a ZIP
// holding the signed file) for the transmission, nothing for the status of
// the methods, "pXml" (the signed request document as text) for the rest.
// Nothing when the operation is not the service's.
std::optional<std::string_view> parameter_of(std::string_view operation);

enum class SoapVersion { k11, k12 };

std::string soap_action(std::string_view operation);
// The Content-Type of a request or an answer; SOAP 1.2 carries the action in
// it, SOAP 1.1 in the SOAPAction header.
std::string content_type(SoapVersion version, std::string_view operation);

struct SoapRequest {
    SoapVersion version = SoapVersion::k11;
    std::string operation;
    std::string argument;  // the parameter's text, unescaped; empty when none
};

std::string soap_request(const SoapRequest& request);

// What the HTTP head of a request said, as received.
struct SoapHeaders {
    std::string content_type;
    std::string soap_action;  // absent: empty
};

// A request read as the published service reads it. Nothing when it is not
// one, with the reason in *error naming what was wrong (envelope, content
// type, action, namespace, operation, parameter) and in *version the SOAP
// version a fault should be given in.
std::optional<SoapRequest> read_soap_request(std::string_view body, const SoapHeaders& headers,
                                             SoapVersion* version, std::string* error);

std::string soap_response(SoapVersion version, std::string_view operation, std::string_view result);
// `client_fault`: the request was wrong (Client / Sender), else the server
// failed (Server / Receiver).
std::string soap_fault(SoapVersion version, bool client_fault, std::string_view reason);

// The result text of an answer of either SOAP version to that operation.
// Nothing, with the reason in *error, when the body is a fault (its code and
// text given), is not SOAP, or answers another operation.
std::optional<std::string> read_soap_response(std::string_view body, std::string_view operation,
                                              std::string* error);

// The XML declaration dropped: a request document travels as the text of an
// element, where a second declaration has no place.
std::string without_declaration(std::string_view xml);

}  // namespace blocox
