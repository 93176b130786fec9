#include "fiscal/buyer_sales_screen.h"

#include "fiscal/buyer_sales.h"
#include "ui/environment.h"
#include "ui/screen_port.h"
#include "util/day_number.h"
#include "util/text.h"

#include <cstdio>

namespace balcora::fiscal {

namespace {

constexpr int kLastYear = 9999;

bool all_digits(std::string_view t) {
    if (t.empty()) return false;
    for (char c : t)
        if (c < '0' || c > '9') return false;
    return true;
}

int number(std::string_view digits) {
    int n = 0;
    for (char c : digits) n = n * 10 + (c - '0');
    return n;
}

std::string competence_text(Competence c) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d/%04d", c.month, c.year);
    return text;
}

}  // namespace

std::optional<Competence> parse_competence(std::string_view text) {
    const std::string t = util::trim(text);
    std::string_view month, year;
    if (auto slash = t.find('/'); slash != std::string::npos) {
        month = util::trim_view(std::string_view(t).substr(0, slash));
        year = util::trim_view(std::string_view(t).substr(slash + 1));
    } else if (t.size() == 6) {
        month = std::string_view(t).substr(0, 2);
        year = std::string_view(t).substr(2);
    }
    if (month.size() > 2 || year.size() != 4 || !all_digits(month) || !all_digits(year))
        return std::nullopt;
    Competence c{number(year), number(month)};
    if (c.year > kLastYear || util::day_number(c.year, c.month, 1) == 0) return std::nullopt;
    return c;
}

BuyerSalesScreen::BuyerSalesScreen() {
    const util::CivilDate now = util::civil_date(today());
    competencia = now.month == 1 ? competence_text({now.year - 1, 12})
                                 : competence_text({now.year, now.month - 1});
}

void BuyerSalesScreen::leave_cpf_cnpj() {
    cpf_cnpj = mask_buyer(cpf_cnpj);
}

bool BuyerSalesScreen::refuse(std::string_view text, Field field) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
    focus_ = field;
    return false;
}

bool BuyerSalesScreen::generate() {
    if (util::trim(competencia).find_first_of("0123456789") == std::string::npos)
        return refuse("Informe a competência (mês/ano)!", Field::kCompetencia);
    const std::optional<Competence> month = parse_competence(competencia);
    if (!month)
        return refuse("Competência inválida!|Informe o mês e o ano como mm/aaaa.",
                      Field::kCompetencia);
    leave_cpf_cnpj();
    const std::string buyer = buyer_digits(cpf_cnpj);
    if (buyer.size() > kCnpjDigits)
        return refuse("CPF/CNPJ inválido!|Informe até 14 dígitos.", Field::kCpfCnpj);
    competencia = competence_text(*month);
    BuyerSalesRequest request{month->year, month->month, buyer, true};
    const BuyerSalesResult result = generate_buyer_sales(request);
    last_file_ = result.file;
    focus_ = Field::kCompetencia;
    return result.ok;
}

}  // namespace balcora::fiscal

namespace balcora {

bool VENDASCPFCNPJ() {
    fiscal::BuyerSalesScreen screen;
    return screens().show(screen);
}

}  // namespace balcora
