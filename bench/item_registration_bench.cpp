// Registering an item end to end (lookup, validation, transaction, printer,
// tape and totals) against the bare fiscal write on the same server:
// BEGIN; INSERT; SELECT currval; UPDATE hash; COMMIT.
#include "bench_shop.h"
#include "ecf/printer.h"
#include "ratio_reporter.h"

#ifdef BALCORA_VIRTUAL_ECF_PATH
#include "virtual_ecf.h"
#endif

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace balcora;

constexpr int kProducts = 10000;
constexpr int kItemsPerCoupon = 50;  // then the coupon is cancelled, untimed
constexpr int kLongCoupon = 200;

// A shop of ten thousand products for the whole run.
struct Shop : bench::BenchShop {
    std::string floor_insert;
    std::size_t next = 0;

    Shop() : BenchShop(kProducts, "1 + g % 50") {
        floor_insert =
            "INSERT INTO bench_item (id_cfiscal, num_item, id_produto, preco, qtdade, total, "
            "vl_acrescimo, vl_desconto, st, aliquota, vl_base, vl_imposto, item_cancelado, "
            "comissao, descricao, unidade, totalizador, vl_pis, vl_cofins, vl_trib_fed, "
            "vl_trib_est, vl_trib_mun) VALUES (1, 1, 1001, 2.000, 1.000, 2.00, 0, 0.00, 'T', "
            "18.00, 2.00, 0.36, 0, 0.00, 'PRODUTO DE BANCADA 1', 'UN', '01T1800', 0.03, 0.15, "
            "0.26, 0.36, 0.00);";
        // Every 37th product, so the lookups walk the index.
        std::vector<std::string> spread;
        for (std::size_t i = 0; i < codes.size(); i += 37) spread.push_back(codes[i]);
        codes = spread;
        // A first coupon gives the printer a memory for its floor to rewrite.
        sell(codes.front());
        end_coupon();
    }

    const std::string& code() { return codes[next++ % codes.size()]; }
    // Ends the open coupon on the printer so the next item starts another.
    void end_coupon() {
        if (!ecf::send(ecf::CMD_CANCEL_COUPON)) fail("coupon cancellation");
        glo::cf_aberto = 0;
    }
};

// Made on first use, so a filtered run builds no shop; main removes it.
Shop* the_shop = nullptr;

Shop& shop() {
    if (!the_shop) the_shop = new Shop;
    return *the_shop;
}

PGconn* raw() {
    return db::connection()->get();
}

// BEGIN; INSERT; SELECT currval; UPDATE hash; COMMIT, on raw libpq.
void bare_write() {
    Shop& s = shop();
    Shop::exec("BEGIN;");
    Shop::exec(s.floor_insert);
    PGresult* r = PQexec(raw(), "SELECT currval('bench_item_id_bench_seq');");
    std::string id = PQntuples(r) == 1 ? PQgetvalue(r, 0, 0) : "0";
    PQclear(r);
    Shop::exec(s.floor_hash + id + ";");
    Shop::exec("COMMIT;");
}

void bare_transaction(benchmark::State& state) {
    shop();
    for (auto _ : state) bare_write();
}
BENCHMARK(bare_transaction);

#ifdef BALCORA_VIRTUAL_ECF_PATH
// The bare write plus the virtual printer's own durable write of its memory:
// what no registration can go below.
void bare_transaction_and_printer_write(benchmark::State& state) {
    shop();
    for (auto _ : state) {
        bare_write();
        if (!vecf::write_memory_now()) Shop::fail("printer write");
    }
}
BENCHMARK(bare_transaction_and_printer_write);
#endif

void register_item(benchmark::State& state) {
    Shop& s = shop();
    for (auto _ : state) {
        if (s.session->items().size() >= kItemsPerCoupon || !s.session->coupon_open()) {
            state.PauseTiming();
            if (s.session->coupon_open()) s.end_coupon();
            s.sell(s.code());  // the coupon opening is measured by the long coupon below
            state.ResumeTiming();
        }
        s.sell(s.code());
    }
}
BENCHMARK(register_item);

void bare_transaction_x200(benchmark::State& state) {
    shop();
    for (auto _ : state)
        for (int i = 0; i < kLongCoupon; ++i) bare_write();
    state.SetItemsProcessed(state.iterations() * kLongCoupon);
}
BENCHMARK(bare_transaction_x200)->Unit(benchmark::kMillisecond);

#ifdef BALCORA_VIRTUAL_ECF_PATH
void bare_transaction_and_printer_write_x200(benchmark::State& state) {
    shop();
    for (auto _ : state)
        for (int i = 0; i < kLongCoupon; ++i) {
            bare_write();
            if (!vecf::write_memory_now()) Shop::fail("printer write");
        }
    state.SetItemsProcessed(state.iterations() * kLongCoupon);
}
BENCHMARK(bare_transaction_and_printer_write_x200)->Unit(benchmark::kMillisecond);
#endif

// From the first scan (which opens the coupon) to the last committed item.
void coupon_of_200_items(benchmark::State& state) {
    Shop& s = shop();
    for (auto _ : state) {
        state.PauseTiming();
        if (s.session->coupon_open()) s.end_coupon();
        state.ResumeTiming();
        for (int i = 0; i < kLongCoupon; ++i) s.sell(s.code());
    }
    state.SetItemsProcessed(state.iterations() * kLongCoupon);
}
BENCHMARK(coupon_of_200_items)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    const int rc = balcora::bench::run_with_ratios(
        argc, argv,
        {{"item_registration_vs_bare_transaction", "register_item", "bare_transaction", 2.0},
#ifdef BALCORA_VIRTUAL_ECF_PATH
         {"item_registration_vs_bare_transaction_and_printer_write", "register_item",
          "bare_transaction_and_printer_write", 2.0},
#endif
#ifdef BALCORA_VIRTUAL_ECF_PATH
         {"coupon_of_200_items_vs_200_bare_transactions_and_printer_writes", "coupon_of_200_items",
          "bare_transaction_and_printer_write_x200", 2.0},
#endif
         {"coupon_of_200_items_vs_200_bare_transactions", "coupon_of_200_items",
          "bare_transaction_x200", 2.0}});
    delete the_shop;
    return rc;
}
