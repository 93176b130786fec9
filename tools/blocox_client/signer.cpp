#include "signer.h"

#include "xml_security.h"

#include <openssl/err.h>
#include <openssl/pkcs12.h>
#include <openssl/provider.h>
#include <openssl/x509.h>
#include <xmlsec/crypto.h>
#include <xmlsec/templates.h>
#include <xmlsec/xmldsig.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

namespace blocox {

namespace {

struct P12Free {
    void operator()(PKCS12* p) const { PKCS12_free(p); }
};
struct KeyPairFree {
    EVP_PKEY* key = nullptr;
    X509* cert = nullptr;
    STACK_OF(X509) * chain = nullptr;
    ~KeyPairFree() {
        EVP_PKEY_free(key);
        X509_free(cert);
        sk_X509_pop_free(chain, X509_free);
    }
};

std::string day_of(const ASN1_TIME* t) {
    std::tm tm{};
    if (ASN1_TIME_to_tm(t, &tm) != 1) return "?";
    char text[32];
    std::snprintf(text, sizeof text, "%02d/%02d/%04d", tm.tm_mday, tm.tm_mon + 1,
                  tm.tm_year + 1900);
    return text;
}

// Many A1 certificates still come in PFX files made with RC2 or 3DES; the
// legacy provider opens those when the system has it.
void load_providers() {
    static bool done = false;
    if (done) return;
    done = true;
    OSSL_PROVIDER_load(nullptr, "default");
    OSSL_PROVIDER_load(nullptr, "legacy");
    ERR_clear_error();
}

}  // namespace

SigningKey open_certificate(const fs::path& pfx, const std::string& password, std::string* error) {
    load_providers();
    const std::string name = pfx.string();
    std::error_code ec;
    if (pfx.empty()) {
        *error = "Certificado digital não informado nas configurações do Bloco X.";
        return nullptr;
    }
    if (!fs::is_regular_file(pfx, ec)) {
        *error = "Certificado digital não encontrado: " + name;
        return nullptr;
    }
    std::ifstream in(pfx, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    const std::string data = bytes.str();
    if (!in || data.empty()) {
        *error = "Certificado digital ilegível: " + name;
        return nullptr;
    }
    const unsigned char* p = reinterpret_cast<const unsigned char*>(data.data());
    std::unique_ptr<PKCS12, P12Free> p12(d2i_PKCS12(nullptr, &p, static_cast<long>(data.size())));
    if (!p12) {
        *error = "O arquivo não é um certificado digital PKCS#12 (PFX): " + name;
        return nullptr;
    }
    if (PKCS12_mac_present(p12.get()) &&
        !PKCS12_verify_mac(p12.get(), password.c_str(), static_cast<int>(password.size()))) {
        *error = "Senha do certificado digital incorreta: " + name;
        return nullptr;
    }
    KeyPairFree pair;
    if (!PKCS12_parse(p12.get(), password.c_str(), &pair.key, &pair.cert, &pair.chain)) {
        ERR_clear_error();
        *error =
            "Não foi possível abrir o certificado digital (senha incorreta ou formato não "
            "suportado): " +
            name;
        return nullptr;
    }
    if (!pair.key || !pair.cert) {
        *error = "O certificado digital não traz a chave privada: " + name;
        return nullptr;
    }
    if (X509_cmp_current_time(X509_get0_notAfter(pair.cert)) < 0) {
        *error =
            "Certificado digital vencido em " + day_of(X509_get0_notAfter(pair.cert)) + ": " + name;
        return nullptr;
    }
    if (X509_cmp_current_time(X509_get0_notBefore(pair.cert)) > 0) {
        *error = "Certificado digital válido somente a partir de " +
                 day_of(X509_get0_notBefore(pair.cert)) + ": " + name;
        return nullptr;
    }
    take_xml_error();
    SigningKey key(xmlSecCryptoAppPkcs12LoadMemory(reinterpret_cast<const xmlSecByte*>(data.data()),
                                                   static_cast<xmlSecSize>(data.size()),
                                                   password.c_str(), nullptr, nullptr));
    if (!key) {
        *error =
            "Não foi possível usar o certificado digital: " + name + " (" + take_xml_error() + ")";
        return nullptr;
    }
    return key;
}

bool sign_document(const std::string& xml, xmlSecKey* key, SignatureProfile profile,
                   std::string* signed_xml, std::string* error) {
    const bool sha1 = profile == SignatureProfile::kRsaSha1;
    std::string reason;
    XmlDoc doc = parse_xml(xml, &reason);
    if (!doc) {
        *error = "Arquivo XML inválido: " + reason;
        return false;
    }
    xmlNode* root = xmlDocGetRootElement(doc.get());
    xmlNode* signature = xmlSecTmplSignatureCreate(
        doc.get(), xmlSecTransformInclC14NId,
        sha1 ? xmlSecTransformRsaSha1Id : xmlSecTransformRsaSha256Id, nullptr);
    if (!signature) {
        *error = "Falha ao preparar a assinatura digital";
        return false;
    }
    xmlAddChild(root, signature);
    xmlNode* reference = xmlSecTmplSignatureAddReference(
        signature, sha1 ? xmlSecTransformSha1Id : xmlSecTransformSha256Id, nullptr,
        reinterpret_cast<const xmlChar*>(""), nullptr);
    bool built = reference &&
                 xmlSecTmplReferenceAddTransform(reference, xmlSecTransformEnvelopedId) &&
                 xmlSecTmplReferenceAddTransform(reference, xmlSecTransformInclC14NId);
    xmlNode* key_info = built ? xmlSecTmplSignatureEnsureKeyInfo(signature, nullptr) : nullptr;
    xmlNode* x509 = key_info ? xmlSecTmplKeyInfoAddX509Data(key_info) : nullptr;
    if (!x509 || !xmlSecTmplX509DataAddCertificate(x509)) {
        *error = "Falha ao preparar a assinatura digital";
        return false;
    }
    xmlSecDSigCtx* context = xmlSecDSigCtxCreate(nullptr);
    if (!context) {
        *error = "Falha ao preparar a assinatura digital";
        return false;
    }
    // The context owns the key it signs with; the caller keeps its own.
    context->signKey = xmlSecKeyDuplicate(key);
    take_xml_error();
    const bool signed_ok = context->signKey && xmlSecDSigCtxSign(context, signature) >= 0;
    xmlSecDSigCtxDestroy(context);
    if (!signed_ok) {
        *error = "Falha ao assinar o arquivo: " + take_xml_error();
        return false;
    }
    *signed_xml = dump_xml(doc.get());
    return true;
}

}  // namespace blocox
