// Registering an item end to end (lookup, validation, transaction, printer,
// tape and totals) against the bare fiscal write on the same server:
// BEGIN; INSERT; SELECT currval; UPDATE hash; COMMIT.
#include "db/database.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "ecf/printer.h"
#include "ecf/printer_driver.h"
#include "platform/clock.h"
#include "ratio_reporter.h"
#include "sale/sale_session.h"
#include "shell/demo_data.h"
#include "shell/globals.h"
#include "support/scripted_prompt.h"
#include "support/temp_root.h"
#include "support/test_database.h"
#include "ui/environment.h"
#include "util/text.h"

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

// A shop of ten thousand products with its day open on the virtual printer,
// in a throwaway data root and database, for the whole run.
struct Shop {
    test::ScriptedPrompt prompt;
    test::TempRoot root;
    platform::FixedClock clock{{2026, 12, 7, 10, 0, 0}};
    ScopedEnvironment env{{&clock, &root.root(), &prompt}};
    std::unique_ptr<test::TestDatabase> db;
    std::unique_ptr<sale::SaleSession> session;
    std::vector<std::string> codes;
    std::string floor_insert;
    std::string floor_hash;
    std::size_t next = 0;

    Shop() {
        glo::reset_all();
        db = std::make_unique<test::TestDatabase>();
        glo::string_conexao = db->connection_string();
        if (!load_demo_data()) fail("demo data");
        glo::numfab = demo::kPrinterSerial;
        glo::id_empresa = demo::kCompanyId;
        glo::nome_operador = "bench";
        run("UPDATE balcora.maqecf SET situacao='A', data_sit='2026-12-07';");
        run("INSERT INTO balcora.produto (id_produto, codigo, codigo_barras, descricao, unidade, "
            "iat, preco_venda1, preco_venda2, preco_venda3, ecf_st, ecf_aliquota, ecf_cod_st, "
            "ativo, taxa_comissao, cod_ncm, cest, aliq_pis, aliq_cofins, aliq_federal, "
            "aliq_estadual, aliq_municipal) SELECT 1000 + g, 'B' || g, '789' || lpad(g::text, "
            "10, '0'), 'PRODUTO DE BANCADA ' || g, 'UN', 'A', 1 + g % 50, 1, 1, 'T', 18.00, "
            "'01', 1, 1.50, 22021000, 0, 1.65, 7.60, 13.45, 18.00, 0 FROM generate_series(1, " +
            std::to_string(kProducts) + ") g;");
        run("ANALYZE balcora.produto; ANALYZE balcora.codbarra;");
        for (int g = 1; g <= kProducts; g += 37) {
            char code[16];
            std::snprintf(code, sizeof code, "789%010d", g);
            codes.push_back(code);
        }
        // The floor writes a row as wide as an item, hashed by the same expression.
        run("CREATE TABLE bench_item (id_bench serial PRIMARY KEY, LIKE balcora.cfiscald); "
            "ALTER TABLE bench_item ALTER COLUMN id_cfiscald DROP NOT NULL;");
        floor_insert =
            "INSERT INTO bench_item (id_cfiscal, num_item, id_produto, preco, qtdade, total, "
            "vl_acrescimo, vl_desconto, st, aliquota, vl_base, vl_imposto, item_cancelado, "
            "comissao, descricao, unidade, totalizador, vl_pis, vl_cofins, vl_trib_fed, "
            "vl_trib_est, vl_trib_mun) VALUES (1, 1, 1001, 2.000, 1.000, 2.00, 0, 0.00, 'T', "
            "18.00, 2.00, 0.36, 0, 0.00, 'PRODUTO DE BANCADA 1', 'UN', '01T1800', 0.03, 0.15, "
            "0.26, 0.36, 0.00);";
        floor_hash = "UPDATE bench_item SET hash=" +
                     SUBSTITUIR(db::hash_expression("cfiscald"), "balcora.cfiscald", "bench_item") +
                     " WHERE id_bench=";
#ifdef BALCORA_VIRTUAL_ECF_PATH
        if (!ecf::load_driver(BALCORA_VIRTUAL_ECF_PATH)) fail("virtual printer");
#else
        fail("the virtual printer was not built");
#endif
        session = std::make_unique<sale::SaleSession>(sale::SaleScreen::quick_sale);
        if (!session->load_point_of_sale()) fail("point of sale");
        // A first coupon gives the printer a memory for its floor to rewrite.
        sell(codes.front());
        end_coupon();
    }

    [[noreturn]] static void fail(const char* what) {
        std::fprintf(stderr, "item_registration_bench: %s failed\n", what);
        std::exit(1);
    }
    static void run(const std::string& sql) {
        if (QUERYSQL(sql).empty()) fail(sql.c_str());
    }

    const std::string& code() {
        return codes[next++ % codes.size()];
    }

    void sell(const std::string& code) {
        if (session->enter_code(code) != sale::Registration::registered) {
            for (const auto& s : prompt.shown()) std::fprintf(stderr, "%s\n", s.text.c_str());
            fail("registration");
        }
    }
    // Ends the open coupon on the printer so the next item starts another.
    void end_coupon() {
        if (!ecf::send(ecf::CMD_CANCEL_COUPON)) fail("coupon cancellation");
        glo::cf_aberto = 0;
    }
};

Shop& shop() {
    static Shop* s = new Shop;
    return *s;
}

PGconn* raw() {
    return db::connection()->get();
}

// A floor statement that fails would time an error instead of the work.
void exec(const std::string& sql) {
    PGresult* r = PQexec(raw(), sql.c_str());
    const ExecStatusType status = PQresultStatus(r);
    PQclear(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Shop::fail(sql.c_str());
}

// BEGIN; INSERT; SELECT currval; UPDATE hash; COMMIT, on raw libpq.
void bare_write() {
    Shop& s = shop();
    exec("BEGIN;");
    exec(s.floor_insert);
    PGresult* r = PQexec(raw(), "SELECT currval('bench_item_id_bench_seq');");
    std::string id = PQntuples(r) == 1 ? PQgetvalue(r, 0, 0) : "0";
    PQclear(r);
    exec(s.floor_hash + id + ";");
    exec("COMMIT;");
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
    return balcora::bench::run_with_ratios(
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
}
