#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace balcora::platform {

// A self-signed certificate with a fresh RSA key, for the demo and the tests
// of Bloco X: the establishment's A1 certificate that signs the files, and
// the certificate of the local authority's HTTPS server.
struct SelfSignedRequest {
    std::string common_name;
    std::string organisation = "Balcora PDV - teste";
    int first_day = 0;    // days from now when it becomes valid (negative: the past)
    int last_day = 1095;  // days from now when it expires (negative: already expired)
    bool server = false;  // names 127.0.0.1 and localhost, for TLS
};

// The certificate and its unencrypted key in PEM files (the key readable by
// the owner only). False with the reason in *error.
bool write_self_signed_pem(const SelfSignedRequest& request,
                           const std::filesystem::path& certificate,
                           const std::filesystem::path& key, std::string* error);

// A PKCS#12 (PFX) file holding key and certificate under `password`, and the
// certificate alone in PEM for whoever checks the signatures.
bool write_self_signed_pkcs12(const SelfSignedRequest& request, const std::filesystem::path& pfx,
                              std::string_view password, const std::filesystem::path& certificate,
                              std::string* error);

}  // namespace balcora::platform
