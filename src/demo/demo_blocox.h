#pragma once

#include <string>

namespace balcora {

namespace demo {
// Where scripts/demo starts the local Bloco X authority.
inline constexpr int kBlocoXAuthorityPort = 47443;
// Under the data root: the test certificates, and the authority's own books.
inline constexpr const char* kCertificateFolder = "c:\\sistemas\\balcora\\certificados";
}  // namespace demo

// Points the Bloco X client of the demo at the local authority: a self-signed
// A1 certificate of the demo shop (PFX, random password) and the authority's
// HTTPS certificate and key, made once under the certificate folder, and the
// client's settings naming them and https://127.0.0.1:<port>/blocox.
// Certificates already there and named by the settings are kept. False with
// the reason in *error.
bool prepare_demo_blocox(std::string* error);

}  // namespace balcora
