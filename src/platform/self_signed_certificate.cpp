#include "platform/self_signed_certificate.h"

#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/pkcs12.h>
#include <openssl/rand.h>
#include <openssl/rsa.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <cstdio>
#include <memory>

namespace fs = std::filesystem;

namespace balcora::platform {

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
    void operator()(X509* c) const { X509_free(c); }
};
struct FileClose {
    void operator()(FILE* f) const { std::fclose(f); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;
using File = std::unique_ptr<FILE, FileClose>;

std::string openssl_reason(const char* what) {
    char text[256];
    ERR_error_string_n(ERR_get_error(), text, sizeof text);
    ERR_clear_error();
    return std::string(what) + ": " + text;
}

bool add_extension(X509* cert, int nid, const char* value) {
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, cert, cert, nullptr, nullptr, 0);
    X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value);
    if (!ext) return false;
    bool ok = X509_add_ext(cert, ext, -1) == 1;
    X509_EXTENSION_free(ext);
    return ok;
}

bool make(const SelfSignedRequest& r, Key* key, Cert* cert, std::string* error) {
    key->reset(EVP_RSA_gen(2048));
    cert->reset(X509_new());
    if (!*key || !*cert) {
        *error = openssl_reason("falha ao gerar a chave");
        return false;
    }
    X509* c = cert->get();
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(c));
    BN_free(bn);
    X509_set_version(c, 2);
    X509_gmtime_adj(X509_getm_notBefore(c), static_cast<long>(r.first_day) * 86400);
    X509_gmtime_adj(X509_getm_notAfter(c), static_cast<long>(r.last_day) * 86400);
    X509_NAME* name = X509_get_subject_name(c);
    auto text = [](const std::string& s) {
        return reinterpret_cast<const unsigned char*>(s.c_str());
    };
    X509_NAME_add_entry_by_txt(name, "C", MBSTRING_ASC, text("BR"), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8, text(r.organisation), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, text(r.common_name), -1, -1, 0);
    X509_set_issuer_name(c, name);
    X509_set_pubkey(c, key->get());
    bool ok = add_extension(c, NID_basic_constraints, "critical,CA:FALSE") &&
              add_extension(c, NID_subject_key_identifier, "hash");
    if (r.server)
        ok = ok && add_extension(c, NID_key_usage, "critical,digitalSignature,keyEncipherment") &&
             add_extension(c, NID_ext_key_usage, "serverAuth") &&
             add_extension(c, NID_subject_alt_name, "IP:127.0.0.1,DNS:localhost");
    else
        ok = ok && add_extension(c, NID_key_usage, "critical,digitalSignature,nonRepudiation") &&
             add_extension(c, NID_ext_key_usage, "clientAuth,emailProtection");
    if (!ok || X509_sign(c, key->get(), EVP_sha256()) <= 0) {
        *error = openssl_reason("falha ao assinar o certificado");
        return false;
    }
    return true;
}

// Opened for the owner alone: keys and PFX files are secrets.
File open_private(const fs::path& file, std::string* error) {
    std::error_code ec;
    if (file.has_parent_path()) fs::create_directories(file.parent_path(), ec);
    fs::remove(file, ec);
    mode_t old = umask(077);
    File f(std::fopen(file.c_str(), "wb"));
    umask(old);
    if (!f) *error = "Erro ao criar o arquivo " + file.string();
    return f;
}

bool write_certificate(X509* cert, const fs::path& file, std::string* error) {
    std::error_code ec;
    if (file.has_parent_path()) fs::create_directories(file.parent_path(), ec);
    File f(std::fopen(file.c_str(), "wb"));
    if (!f || PEM_write_X509(f.get(), cert) != 1) {
        *error = "Erro ao criar o arquivo " + file.string();
        return false;
    }
    return true;
}

}  // namespace

bool write_self_signed_pem(const SelfSignedRequest& request, const fs::path& certificate,
                           const fs::path& key_file, std::string* error) {
    Key key;
    Cert cert;
    if (!make(request, &key, &cert, error)) return false;
    File f = open_private(key_file, error);
    if (!f) return false;
    if (PEM_write_PrivateKey(f.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1) {
        *error = "Erro ao gravar a chave em " + key_file.string();
        return false;
    }
    return write_certificate(cert.get(), certificate, error);
}

bool write_self_signed_pkcs12(const SelfSignedRequest& request, const fs::path& pfx,
                              std::string_view password, const fs::path& certificate,
                              std::string* error) {
    Key key;
    Cert cert;
    if (!make(request, &key, &cert, error)) return false;
    const std::string pass(password);
    const std::string friendly = request.common_name;
    PKCS12* p12 = PKCS12_create(pass.c_str(), friendly.c_str(), key.get(), cert.get(), nullptr, 0,
                                0, 0, 0, 0);
    if (!p12) {
        *error = openssl_reason("falha ao montar o PFX");
        return false;
    }
    File f = open_private(pfx, error);
    bool ok = f && i2d_PKCS12_fp(f.get(), p12) == 1;
    PKCS12_free(p12);
    if (!ok) {
        if (error->empty()) *error = "Erro ao gravar o arquivo " + pfx.string();
        return false;
    }
    return write_certificate(cert.get(), certificate, error);
}

}  // namespace balcora::platform
