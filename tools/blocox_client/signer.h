#pragma once

#include <xmlsec/keys.h>

#include <filesystem>
#include <memory>
#include <string>

namespace blocox {

struct KeyFree {
    void operator()(xmlSecKey* k) const { xmlSecKeyDestroy(k); }
};
using SigningKey = std::unique_ptr<xmlSecKey, KeyFree>;

// The establishment's key and certificate from its PKCS#12 (PFX) file. Nothing,
// with a message naming the file, when it is missing, is no PKCS#12, the
// password is wrong, it holds no key, or the certificate has expired or is
// not valid yet.
SigningKey open_certificate(const std::filesystem::path& pfx, const std::string& password,
                            std::string* error);

// The regulation's layout asks RSA-SHA1 with a SHA-1 digest; RSA-SHA256 with a
// SHA-256 digest is kept for an authority that moves on.
enum class SignatureProfile { kRsaSha1, kRsaSha256 };

// The document signed: an enveloped XMLDSig signature (the profile's
// algorithms, digest of the whole document, inclusive canonicalisation)
// added as the last child of the root element, with the certificate in
// KeyInfo/X509Data.
bool sign_document(const std::string& xml, xmlSecKey* key, SignatureProfile profile,
                   std::string* signed_xml, std::string* error);

}  // namespace blocox
