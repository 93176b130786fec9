#include "db/settings.h"
#include "fiscal/ead_signing.h"
#include "ui/environment.h"
#include "util/text.h"

#include <cerrno>
#include <fstream>
#include <iterator>
#include <system_error>

namespace fs = std::filesystem;

namespace balcora::fiscal {

namespace {

std::string developer_name() {
    std::string name =
        util::trim_right(RETIRAACENTOS(LEREGISTRO("balcora", "Desenvolvedor PAF-ECF", "razao")));
    // The name becomes a file name: a slash would point into another folder.
    for (char& c : name)
        if (c == '/') c = '-';
    return name;
}

std::string key_file_text(const std::string& name) {
    const std::string nl = "\r\n";
    return "<?xml version=\"1.0\"?>" + nl + nl + "<empresa_desenvolvedora>" + nl + nl + "\t<nome>" +
           name + "</nome>" + nl + nl + "\t<chave>" + nl + "\t\t<modulo>" + signing_modulus() +
           "</modulo>" + nl + nl + "\t\t<expoente_publico>" + signing_public_exponent() +
           "</expoente_publico>" + nl + "\t</chave>" + nl + nl + "</empresa_desenvolvedora>";
}

bool publishes_our_key(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    return text.find(std::string("<modulo>") + signing_modulus() + "</modulo>") !=
               std::string::npos &&
           text.find(std::string("<expoente_publico>") + signing_public_exponent() +
                     "</expoente_publico>") != std::string::npos;
}

}  // namespace

fs::path public_key_file() {
    return pafecf_folder() / (developer_name() + ".xml");
}

bool write_public_key_file(bool announce) {
    const std::string name = developer_name();
    if (name.empty()) {
        prompt().message("Aviso",
                         "Razão social do desenvolvedor não cadastrada: o arquivo da chave pública "
                         "não foi gerado.",
                         ui::Icon::kWarning);
        return false;
    }
    const fs::path file = public_key_file();
    std::error_code ec;
    if (fs::exists(file, ec)) {
        // Never rewritten, but a file that no longer publishes this program's
        // key would let no signature be checked: say so, so it is replaced.
        if (publishes_our_key(file)) return true;
        prompt().message("Aviso",
                         "O arquivo da chave pública " + file.string() +
                             " está danificado ou não é a chave deste programa!|Apague-o para que "
                             "o programa o grave de novo.",
                         ui::Icon::kWarning);
        return false;
    }
    // Written under a temporary name first: a half-written key file would
    // otherwise stay, since an existing file is never rewritten.
    const fs::path partial = file.string() + ".tmp";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        if (!out) {
            prompt().message(
                "Erro", "Erro (" + std::to_string(errno) + ") ao criar o arquivo " + file.string(),
                ui::Icon::kError);
            return false;
        }
        out << key_file_text(name);
        out.flush();
        if (!out) {
            const int code = errno;
            out.close();
            fs::remove(partial, ec);
            prompt().message(
                "Erro", "Erro (" + std::to_string(code) + ") ao abrir o arquivo " + file.string(),
                ui::Icon::kError);
            return false;
        }
    }
    fs::rename(partial, file, ec);
    if (ec) {
        fs::remove(partial, ec);
        prompt().message(
            "Erro", "Erro (" + std::to_string(ec.value()) + ") ao criar o arquivo " + file.string(),
            ui::Icon::kError);
        return false;
    }
    if (announce)
        prompt().message("Aviso", "Arquivo \"" + file.string() + "\" gerado com sucesso!",
                         ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::fiscal
