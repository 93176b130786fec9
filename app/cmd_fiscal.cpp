#include "app/commands.h"
#include "fiscal/ead_signing.h"

#include <cstdio>
#include <filesystem>
#include <string>

namespace balcora::app {

namespace {

int usage() {
    std::fputs(
        "Uso: balcora fiscal sign [--binario] ARQUIVO   assina (linha EAD, ou ARQUIVO.txt)\n"
        "     balcora fiscal verify ARQUIVO             confere a assinatura (0 = confere)\n"
        "     balcora fiscal public-key                 grava o arquivo da chave publica\n",
        stderr);
    return 2;
}

std::string absolute(const std::string& file) {
    std::error_code ec;
    auto path = std::filesystem::absolute(file, ec);
    return ec ? file : path.string();
}

int sign(const std::vector<std::string>& args) {
    const bool binary = args.size() == 3 && args[1] == "--binario";
    if (args.size() != (binary ? 3u : 2u)) return usage();
    // The working directory is the program's folder: a relative name is
    // taken from where the technician typed it, not from there.
    const std::string file = args.back();
    if (!std::filesystem::is_regular_file(file)) {
        std::fprintf(stderr, "balcora fiscal: arquivo nao encontrado: %s\n", file.c_str());
        return 1;
    }
    if (!ASSINATURAEAD(file, binary ? 2 : 0)) return 1;
    std::printf("%s\n", absolute(binary ? file + ".txt" : file).c_str());
    return 0;
}

int verify(const std::vector<std::string>& args) {
    if (args.size() != 2) return usage();
    if (fiscal::verify_ead(args[1])) {
        std::printf("EAD confere: %s\n", absolute(args[1]).c_str());
        return 0;
    }
    std::fprintf(stderr, "EAD NAO confere: %s\n", absolute(args[1]).c_str());
    return 1;
}

int public_key(CommandLine& cl) {
    if (cl.args.size() != 1) return usage();
    if (!open_program_database(cl) || !fiscal::write_public_key_file(false)) return 1;
    std::printf("%s\n", fiscal::public_key_file().string().c_str());
    return 0;
}

}  // namespace

int run_fiscal_command(CommandLine& cl, const std::filesystem::path& launch_dir) {
    if (cl.args.empty()) return usage();
    const std::string& what = cl.args[0];
    if (what == "sign" || what == "verify") {
        std::vector<std::string> args = cl.args;
        if (!args.empty() && std::filesystem::path(args.back()).is_relative())
            args.back() = (launch_dir / args.back()).string();
        return what == "sign" ? sign(args) : verify(args);
    }
    if (what == "public-key") return public_key(cl);
    return usage();
}

}  // namespace balcora::app
