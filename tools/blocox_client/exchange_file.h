#pragma once

#include "signer.h"
#include "soap.h"

#include <filesystem>
#include <string>

namespace blocox {

// What one run of the client is asked to do: the keys the program writes to
// "Envio" and the settings screen writes to "Config" of the exchange file.
struct Exchange {
    std::string action;  // "EnviarReducaoZ", "EnviarEstoque", "ConsultarProcessamento"
    std::filesystem::path file;
    std::string receipt;  // "null" when sending
    std::string certificate_type;
    std::filesystem::path certificate;
    std::string password;
    std::string environment;
    std::string address;
    std::filesystem::path authority_certificate;  // empty: the system's store
    long connect_seconds = 15;
    long total_seconds = 60;
    SoapVersion soap_version = SoapVersion::k11;              // "VersaoSoap": "1.1" or "1.2"
    SignatureProfile signature = SignatureProfile::kRsaSha1;  // "Assinatura": "SHA1" or "SHA256"
    std::filesystem::path trace_folder;  // "RegistroSoap": every request and answer kept there
};

// Windows paths ("c:\sistemas\...") name files under the data root; other
// paths stand as they are.
std::filesystem::path machine_path(const std::string& text, const std::filesystem::path& root);

// False with the reason in *error when the file cannot be read or a setting
// holds a value the client does not know.
bool read_exchange(const std::filesystem::path& ini, const std::filesystem::path& root,
                   Exchange* exchange, std::string* error);

// "Retorno": "Status" "Ok" with the answer's path, or "Erro" with "null" and
// the reason. Every other key of the file is kept. False when it could not
// be written (the reason in *error).
// `extracted`, when given, is the file a download brought ("ArquivoBaixado").
bool write_outcome(const std::filesystem::path& ini, bool answered,
                   const std::filesystem::path& answer, const std::string& message,
                   std::string* error, const std::filesystem::path& extracted = {});

}  // namespace blocox
