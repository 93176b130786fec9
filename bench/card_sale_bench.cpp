// A sale of three items paid by card through the card-payment manager
// (approval, payment, closing, the voucher twice, the confirmation) against
// the same sale paid in cash. The manager answers at once and the exchange's
// fixed pauses are left out, so what the card adds is our own side: the
// request files, the polling, the voucher on the printer.
#include "bench_shop.h"
#include "db/settings.h"
#include "ratio_reporter.h"
#include "sale/payment_screen.h"
#include "tef/card_manager.h"

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <string>

namespace {

using namespace balcora;

constexpr int kItems = 3;

struct Shop : bench::BenchShop {
    Shop() : BenchShop(kItems, "10 + g + 0.25") {
        const auto rules = root.path() / "regras.ini";
        std::ofstream(rules) << "[Gerenciador]\n";
        manager = fork();
        if (manager == 0) {
            execl(BALCORA_CARD_MANAGER_PATH, BALCORA_CARD_MANAGER_PATH, "--root",
                  root.path().c_str(), "--regras", rules.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
        if (manager < 0) fail("card-payment manager");
        if (!GRAVAREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "S"))
            fail("setting");
        setup.limits.pause_before_confirm = 0;
        setup.limits.pause_after_response = 0;
        setup.limits.pause_after_undo = 0;
    }
    ~Shop() {
        kill(manager, SIGTERM);
        waitpid(manager, nullptr, 0);
    }

    void sale(const std::string& form) {
        for (const std::string& code : codes) sell(code);
        sale::PaymentScreen s{checkout};
        s.set_finished_notice([](const std::string&) {});
        tef::CardManager card{setup};
        s.set_card_functions(&card);
        if (!s.open() || !s.set_form(form)) fail("screen");
        if (!s.confirm_payment().close || !s.completed()) {
            for (const auto& m : prompt.shown()) std::fprintf(stderr, "%s\n", m.text.c_str());
            fail(form == "CA" ? "card sale" : "cash sale");
        }
    }

    pid_t manager = -1;
    tef::CardSetup setup;
};

Shop* the_shop = nullptr;

Shop& shop() {
    if (!the_shop) the_shop = new Shop;
    return *the_shop;
}

void sale_paid_in_cash(benchmark::State& state) {
    Shop& s = shop();
    for (auto _ : state) s.sale("DI");
}
BENCHMARK(sale_paid_in_cash)->Unit(benchmark::kMillisecond);

void sale_paid_by_card(benchmark::State& state) {
    Shop& s = shop();
    for (auto _ : state) s.sale("CA");
}
BENCHMARK(sale_paid_by_card)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const int rc = balcora::bench::run_with_ratios(
        argc, argv, {{"card_sale_vs_cash", "sale_paid_by_card", "sale_paid_in_cash", 1.5}});
    delete the_shop;
    return rc;
}
