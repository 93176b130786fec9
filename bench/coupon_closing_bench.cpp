// Closing a coupon of twenty items paid in cash: the subtotal with a
// discount shared among the items, the payment and the closing, against
// twenty bare hash updates in one transaction on the same server.
#include "bench_shop.h"
#include "ratio_reporter.h"
#include "sale/payment_screen.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace balcora;

constexpr int kItems = 20;

struct Shop : bench::BenchShop {
    Shop() : BenchShop(kItems, "1 + g % 50 + 0.37") {
        run("INSERT INTO bench_item (id_cfiscal, num_item, id_produto, preco, qtdade, total, "
            "vl_acrescimo, vl_desconto, st, aliquota, vl_base, vl_imposto, item_cancelado, "
            "comissao, descricao, unidade, totalizador, vl_pis, vl_cofins, vl_trib_fed, "
            "vl_trib_est, vl_trib_mun) SELECT 1, g, 1000 + g, 2.370, 1.000, 2.37, 0, 0.00, 'T', "
            "18.00, 2.37, 0.42, 0, 0.00, 'PRODUTO DE BANCADA ' || g, 'UN', '01T1800', 0.03, "
            "0.18, 0.31, 0.42, 0.00 FROM generate_series(1, " +
            std::to_string(kItems) + ") g;");
    }

    void fill_coupon() {
        for (const std::string& code : codes) sell(code);
    }
    // Ten percent off, the balance in cash, and the coupon closed.
    void pay_and_close() {
        sale::PaymentScreen s{checkout};
        s.set_finished_notice([](const std::string&) {});
        if (!s.open() || !s.set_discount_percent_text("10") || !s.set_form("DI")) fail("screen");
        if (!s.confirm_payment().close || !s.completed()) {
            for (const auto& m : prompt.shown()) std::fprintf(stderr, "%s\n", m.text.c_str());
            fail("closing");
        }
    }
};

// Made on first use, so a filtered run builds no shop; main removes it.
Shop* the_shop = nullptr;

Shop& shop() {
    if (!the_shop) the_shop = new Shop;
    return *the_shop;
}

void bare_hash_updates(benchmark::State& state) {
    Shop& s = shop();
    for (auto _ : state) {
        Shop::exec("BEGIN;");
        for (int i = 1; i <= kItems; ++i) Shop::exec(s.floor_hash + std::to_string(i) + ";");
        Shop::exec("COMMIT;");
    }
}
BENCHMARK(bare_hash_updates)->Unit(benchmark::kMillisecond);

void close_coupon_of_20_items(benchmark::State& state) {
    Shop& s = shop();
    for (auto _ : state) {
        state.PauseTiming();
        s.fill_coupon();
        state.ResumeTiming();
        s.pay_and_close();
    }
}
BENCHMARK(close_coupon_of_20_items)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const int rc =
        balcora::bench::run_with_ratios(argc, argv,
                                        {{"coupon_closing_vs_20_bare_hash_updates",
                                          "close_coupon_of_20_items", "bare_hash_updates", 3.0}});
    delete the_shop;
    return rc;
}
