#include "app/commands.h"
#include "fiscal/buyer_sales.h"
#include "fiscal/buyer_sales_screen.h"
#include "globals/globals.h"
#include "shell/startup.h"

#include <cstdio>
#include <optional>
#include <string>

namespace balcora::app {

namespace {

int usage() {
    std::fputs(
        "Uso: balcora fiscal buyers --month AAAA-MM [--buyer CPF_OU_CNPJ]\n"
        "\n"
        "Gera e assina o arquivo de vendas identificadas pelo CPF/CNPJ do mes,\n"
        "de todos os compradores ou de um so, e imprime o caminho do arquivo.\n",
        stderr);
    return 2;
}

int refuse(const std::string& why) {
    std::fprintf(stderr, "balcora fiscal buyers: %s\n", why.c_str());
    return 2;
}

// "YYYY-MM" read as the window's "MM/YYYY".
std::optional<fiscal::Competence> parse_month(const std::string& text) {
    if (text.size() != 7 || text[4] != '-') return std::nullopt;
    return fiscal::parse_competence(text.substr(5) + "/" + text.substr(0, 4));
}

// A CPF or CNPJ as written on documents: digits with dots, slash and hyphen.
bool is_document_text(const std::string& text) {
    bool digit = false;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c != '.' && c != '/' && c != '-')
            return false;
    }
    return digit;
}

}  // namespace

int run_fiscal_buyers(CommandLine& cl) {
    std::vector<std::string> a = cl.args;
    if (!a.empty() && a[0] == "buyers") a.erase(a.begin());
    std::string month_text, buyer_text;
    for (std::size_t k = 0; k < a.size(); k += 2) {
        if (k + 1 >= a.size()) return usage();
        if (a[k] == "--month")
            month_text = a[k + 1];
        else if (a[k] == "--buyer")
            buyer_text = a[k + 1];
        else
            return usage();
    }
    if (month_text.empty()) return usage();
    const auto month = parse_month(month_text);
    if (!month) return refuse("--month deve ser um mes valido no formato AAAA-MM");
    std::string buyer;
    if (!buyer_text.empty()) {
        buyer = fiscal::buyer_digits(buyer_text);
        if (!is_document_text(buyer_text) || buyer.size() > fiscal::kCnpjDigits)
            return refuse("--buyer deve ser um CPF ou CNPJ (ate 14 digitos)");
    }

    if (!open_program_database(cl)) return 1;
    const auto company = shell::find_active_company();
    if (!company) {
        std::fputs("balcora fiscal buyers: nao ha empresa ativa\n", stderr);
        return 1;
    }
    glo::id_empresa = company->id;

    const fiscal::BuyerSalesResult result =
        fiscal::generate_buyer_sales({month->year, month->month, buyer, false});
    if (!result.ok) return 1;
    std::printf("%s\n", result.file.c_str());
    return 0;
}

}  // namespace balcora::app
