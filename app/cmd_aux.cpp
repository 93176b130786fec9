#include "app/commands.h"
#include "ecf/aux_file.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>
#include <map>
#include <optional>
#include <string>

namespace balcora::app {

namespace {

constexpr std::size_t kNumfabMax = 39;
constexpr std::int64_t kGrandTotalMax = 999'999'999'999'999;  // 15 digits of cents

int usage() {
    std::fputs(
        "Uso: balcora aux write [--numfab SERIE] [--vlgt VALOR] [--md5txt MD5] [--md5exe MD5]\n"
        "                       [--pafsn 0|1] [--substituir]\n"
        "     balcora aux show\n"
        "\n"
        "write grava o arquivo auxiliar; as chaves nao informadas mantem o valor do\n"
        "arquivo existente. --numfab e obrigatorio quando o arquivo ainda nao existe.\n"
        "--vlgt e o grande total em reais, por exemplo 1234.56.\n"
        "Um arquivo danificado so e substituido com --substituir (e --numfab).\n",
        stderr);
    return 2;
}

int refuse(const std::string& why) {
    std::fprintf(stderr, "balcora aux: %s\n", why.c_str());
    return 2;
}

bool is_md5(std::string_view t) {
    if (t.size() != 32) return false;
    for (char c : t) {
        bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        if (!hex) return false;
    }
    return true;
}

// Options as given; nullopt when an option is unknown or lacks its value.
std::optional<std::map<std::string, std::string>> parse_options(const std::vector<std::string>& a) {
    std::map<std::string, std::string> options;
    std::size_t k = 1;
    while (k < a.size()) {
        const std::string& name = a[k];
        if (name == "--substituir") {
            options.try_emplace("substituir");
            ++k;
            continue;
        }
        bool known = name == "--numfab" || name == "--vlgt" || name == "--md5txt" ||
                     name == "--md5exe" || name == "--pafsn";
        if (!known || k + 1 >= a.size()) return std::nullopt;
        options[name.substr(2)] = a[k + 1];
        k += 2;
    }
    return options;
}

int write_command(const std::vector<std::string>& args) {
    auto options = parse_options(args);
    if (!options) return usage();
    auto given = [&](const char* key) { return options->count(key) > 0; };

    // Check everything before touching the file.
    std::string numfab = given("numfab") ? util::trim(options->at("numfab")) : "";
    if (given("numfab") && (numfab.size() > kNumfabMax || !ecf::is_serial_form(numfab)))
        return refuse(
            "--numfab deve ter de 1 a 39 letras e digitos (com espacos, '-', '.', '/' ou '_')");
    std::optional<std::int64_t> cents;
    if (given("vlgt")) {
        cents = util::parse_units(options->at("vlgt"), 2, util::ExcessDecimals::kRefuse);
        if (!cents || *cents < 0 || *cents > kGrandTotalMax)
            return refuse("--vlgt invalido: informe um valor como 1234.56 (ate 15 digitos)");
    }
    for (const char* key : {"md5txt", "md5exe"}) {
        if (given(key) && !options->at(key).empty() && !is_md5(options->at(key)))
            return refuse(std::string("--") + key + " deve ter 32 digitos hexadecimais");
    }
    if (given("pafsn") && options->at("pafsn") != "0" && options->at("pafsn") != "1")
        return refuse("--pafsn deve ser 0 ou 1");

    ecf::AuxFileTexts existing;
    std::string damage;
    const ecf::AuxRead state = ecf::read_aux_file(existing, nullptr, &damage);
    const bool replace = state == ecf::AuxRead::kDamaged && given("substituir");
    if (state == ecf::AuxRead::kDamaged && !replace) {
        ecf::show_aux_file_damaged(damage);
        std::fputs("balcora aux: arquivo mantido como esta; --substituir grava um novo\n", stderr);
        return 1;
    }
    const bool exists = state != ecf::AuxRead::kMissing && !replace;
    if (exists && !LEARQAUXILIAR()) return 1;  // unreadable: shown, left as it is
    if (!exists && !given("numfab"))
        return refuse(replace ? "o arquivo auxiliar sera substituido: informe --numfab"
                              : "o arquivo auxiliar ainda nao existe: informe --numfab");

    if (given("numfab")) glo::numfab = numfab;
    if (cents) glo::vlgt = util::Money::from_units(*cents);
    if (given("md5txt")) glo::md5txt = options->at("md5txt");
    if (given("md5exe")) glo::md5exe = options->at("md5exe");
    if (given("pafsn")) glo::pafsn = options->at("pafsn") == "1" ? 1 : 0;
    if (!ecf::install_aux_file()) return 1;
    std::printf("Arquivo auxiliar gravado: %s\n", ecf::aux_file_path().c_str());
    return 0;
}

int show_command() {
    ecf::AuxFileTexts texts;
    std::string damage;
    switch (ecf::read_aux_file(texts, nullptr, &damage)) {
        case ecf::AuxRead::kMissing:
            ecf::warn_aux_file_missing();
            return 1;
        case ecf::AuxRead::kDamaged:
            ecf::show_aux_file_damaged(damage);
            return 1;
        case ecf::AuxRead::kUnreadable:
            LEARQAUXILIAR();  // shows why
            return 1;
        case ecf::AuxRead::kOk:
            break;
    }
    std::printf("numfab=%s\nvlgt=%s\nmd5txt=%s\nmd5exe=%s\npafsn=%s\ndtenvredz=%s\n",
                texts.numfab.c_str(), texts.vlgt.c_str(), texts.md5txt.c_str(),
                texts.md5exe.c_str(), texts.pafsn.c_str(), texts.dtenvredz.c_str());
    return 0;
}

}  // namespace

int run_aux_command(CommandLine& cl) {
    const auto& a = cl.args;
    if (!a.empty() && a[0] == "write") return write_command(a);
    if (a.size() == 1 && a[0] == "show") return show_command();
    return usage();
}

}  // namespace balcora::app
