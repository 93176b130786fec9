#include "access/access_control.h"
#include "app/checkout_root.h"
#include "app/commands.h"
#include "backoffice/back_office_procedures.h"
#include "backoffice/pre_sale_issue.h"
#include "backoffice/pre_sale_screen.h"
#include "ecf/aux_file.h"
#include "globals/globals.h"
#include "sale/coupon_browse.h"
#include "shell/startup.h"
#include "ui/environment.h"
#include "util/day_number.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>
#include <string_view>

namespace balcora::app {

namespace {

int usage() {
    std::fputs(
        "Uso: balcora [--root PASTA] --user LOGIN presale list\n"
        "     balcora [--root PASTA] --user LOGIN presale issue|cancel NUM_PV [--sim]\n"
        "\n"
        "As pre-vendas que aguardam na retaguarda: lista, emite o cupom fiscal de\n"
        "uma (issue) ou emite e cancela (cancel, o cliente desistiu), como a tela\n"
        "Pre-Venda. As perguntas sao feitas no terminal; --sim responde Sim a todas.\n"
        "A senha vem de --password ou da variavel BALCORA_PASSWORD. Sai com 0 somente\n"
        "quando o cupom foi emitido (ou cancelado) e a retaguarda foi avisada.\n",
        stderr);
    return 2;
}

// The window's messages on the terminal; its questions answered there (a
// line beginning with "s" is Yes), or Yes to every one with --sim.
class TerminalPromptPort final : public ui::PromptPort {
  public:
    explicit TerminalPromptPort(bool yes) : yes_(yes) {}
    void message(std::string_view title, std::string_view text, ui::Icon) override {
        std::fprintf(stderr, "%s: %s\n", std::string(title).c_str(),
                     ui::expand_line_breaks(text).c_str());
    }
    bool confirm(std::string_view title, std::string_view text) override {
        std::fprintf(stderr, "%s: %s [s/N] ", std::string(title).c_str(),
                     ui::expand_line_breaks(text).c_str());
        if (yes_) {
            std::fputs("s\n", stderr);
            return true;
        }
        std::fflush(stderr);
        std::string line;
        if (!std::getline(std::cin, line)) {
            std::fputs("\n", stderr);
            return false;
        }
        const std::string answer = util::trim(line);
        return !answer.empty() && (answer[0] == 's' || answer[0] == 'S');
    }
    void beep() override {
        if (isatty(STDERR_FILENO)) std::fputs("\a", stderr);
    }

  private:
    bool yes_;
};

int fail(const std::string& text) {
    std::fprintf(stderr, "balcora presale: %s\n", text.c_str());
    return 1;
}

// What the program's start does before the coupon browse can open: the
// database, the active company, the authorised printer and the operator.
bool prepare_checkout(CommandLine& cl) {
    if (!open_program_database(cl)) return false;
    const auto company = shell::find_active_company();
    if (!company) {
        fail("nao ha empresa ativa");
        return false;
    }
    glo::id_empresa = company->id;
    glo::id_empmatriz = company->head_office;
    if (!LEARQAUXILIAR() || util::trim(glo::numfab).empty()) {
        fail("impressora fiscal nao autorizada");
        return false;
    }
    if (cl.user.empty()) {
        fail("informe o operador (--user LOGIN)");
        return false;
    }
    if (access::sign_in_operator(cl.user, cl.password) != access::SignInResult::kSignedIn) {
        fail("login ou senha invalidos");
        return false;
    }
    return true;
}

void print_list(const std::vector<backoffice::PreSaleHeader>& rows) {
    std::printf("Pré-Venda\tPedido\tData\tCód. Cliente\tNome do Cliente\tTotal\tVendedor\n");
    for (const auto& r : rows)
        std::printf("%lld\t%d\t%s\t%d\t%s\t%s\t%d\n", static_cast<long long>(r.num_pv), r.numero,
                    util::br_date(r.data).c_str(), r.clien, r.razao.c_str(),
                    util::to_br(r.total).c_str(), r.vende);
    std::fflush(stdout);
}

}  // namespace

int run_presale_command(CommandLine& cl) {
    if (cl.args.empty()) return usage();
    const std::string action = cl.args[0];
    bool yes = false;
    std::int64_t num_pv = 0;
    if (action == "list") {
        if (cl.args.size() != 1) return usage();
    } else if (action == "issue" || action == "cancel") {
        if (cl.args.size() < 2 || cl.args.size() > 3) return usage();
        if (cl.args.size() == 3 && cl.args[2] != "--sim") return usage();
        yes = cl.args.size() == 3;
        const auto n = util::read_integer(cl.args[1]);
        if (!n.valid || n.value <= 0) return usage();
        num_pv = n.value;
    } else {
        return usage();
    }

    TerminalPromptPort terminal(yes);
    ui::ScreenPort screens;
    ui::ServicePort services;
    backoffice::provide_back_office_procedures(services);
    ScopedEnvironment env({nullptr, nullptr, &terminal, &screens, &services});
    if (!prepare_checkout(cl)) return 1;
    CheckoutRoot checkout;

    // The window opens from the coupon browse: its checks and the recovery
    // of a coupon a cut left open run first, as at the counter.
    sale::CouponBrowse browse{checkout.state()};
    if (!browse.open()) return fail("a tela do cupom fiscal nao pode ser aberta");
    browse.first_display();
    if (!browse.is_open()) return fail("a recuperacao do cupom fiscal aberto falhou");

    backoffice::PreSaleScreen screen{checkout.state()};
    if (!screen.open()) return fail("retaguarda inacessivel");
    if (action == "list") {
        print_list(screen.rows());
        return 0;
    }
    const auto order = screen.order_of(num_pv);
    if (!order) return 1;
    const bool done = action == "issue" ? screen.issue(*order) : screen.cancel(*order);
    if (!done) return 1;
    // Issued (or cancelled) is not enough: the back office must have taken it.
    if (backoffice::order_update_pending(*order))
        return fail("cupom emitido; a retaguarda sera atualizada na proxima consulta");
    std::printf("Pré-Venda %lld %s.\n", static_cast<long long>(num_pv),
                action == "issue" ? "emitida" : "cancelada");
    return 0;
}

}  // namespace balcora::app
