#include "demo/demo_blocox.h"

#include "blocox/client_settings.h"
#include "blocox/ws_exchange.h"
#include "db/settings.h"
#include "platform/self_signed_certificate.h"
#include "ui/environment.h"

#include <openssl/rand.h>

#include <filesystem>

namespace fs = std::filesystem;

namespace balcora {

namespace {

std::string random_password() {
    static const char letters[] = "abcdefghijkmnpqrstuvwxyzABCDEFGHJKLMNPQRSTUVWXYZ23456789";
    unsigned char bytes[16];
    RAND_bytes(bytes, sizeof bytes);
    std::string password;
    for (unsigned char b : bytes) password += letters[b % (sizeof letters - 1)];
    return password;
}

bool set(std::string_view key, const std::string& value) {
    return blocox::write_client_setting("Config", key, value);
}

}  // namespace

bool prepare_demo_blocox(std::string* error) {
    const fs::path folder = data_root().map(demo::kCertificateFolder);
    const fs::path pfx = folder / "estabelecimento.pfx";
    const fs::path server_cert = folder / "autoridade.pem";
    const fs::path server_key = folder / "autoridade-chave.pem";
    std::error_code ec;
    const bool kept = fs::exists(pfx, ec) && fs::exists(server_cert, ec) &&
                      fs::exists(server_key, ec) &&
                      read_ini("Config", "Certificado", "", blocox::kExchangeFile) == pfx.string();
    if (!kept) {
        const std::string password = random_password();
        platform::SelfSignedRequest shop{"LOJA DE DEMONSTRACAO BALCORA"};
        platform::SelfSignedRequest server{"127.0.0.1"};
        server.server = true;
        if (!platform::write_self_signed_pkcs12(shop, pfx, password, folder / "estabelecimento.pem",
                                                error) ||
            !platform::write_self_signed_pem(server, server_cert, server_key, error))
            return false;
        if (!set("Certificado", pfx.string()) || !set("Senha", password)) {
            *error = "Erro ao gravar o arquivo " + data_root().map(blocox::kExchangeFile).string();
            return false;
        }
    }
    const std::string address =
        "https://127.0.0.1:" + std::to_string(demo::kBlocoXAuthorityPort) + "/wsDfeSiv/BlocoX.asmx";
    if (!set("TipoCertificado", "A1") || !set("Ambiente", "2") || !set("EnderecoFisco", address) ||
        !set("CertificadoFisco", server_cert.string())) {
        *error = "Erro ao gravar o arquivo " + data_root().map(blocox::kExchangeFile).string();
        return false;
    }
    return true;
}

}  // namespace balcora
