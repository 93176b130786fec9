// Closing a coupon of twenty items paid in cash: the subtotal with a
// discount shared among the items, the payment and the closing, against
// twenty bare hash updates in one transaction on the same server.
#include "db/database.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "ecf/printer.h"
#include "ecf/printer_driver.h"
#include "platform/clock.h"
#include "ratio_reporter.h"
#include "sale/payment_screen.h"
#include "sale/sale_session.h"
#include "shell/demo_data.h"
#include "shell/globals.h"
#include "support/scripted_prompt.h"
#include "support/temp_root.h"
#include "support/test_database.h"
#include "ui/environment.h"
#include "util/text.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace balcora;

constexpr int kItems = 20;

struct Shop {
    test::ScriptedPrompt prompt;
    test::TempRoot root;
    platform::FixedClock clock{{2026, 12, 7, 10, 0, 0}};
    ScopedEnvironment env{{&clock, &root.root(), &prompt}};
    std::unique_ptr<test::TestDatabase> db;
    std::unique_ptr<sale::SaleSession> session;
    std::vector<std::string> codes;
    std::string floor_hash;

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
            "10, '0'), 'PRODUTO DE BANCADA ' || g, 'UN', 'A', 1 + g % 50 + 0.37, 1, 1, 'T', "
            "18.00, '01', 1, 1.50, 22021000, 0, 1.65, 7.60, 13.45, 18.00, 0 FROM "
            "generate_series(1, " +
            std::to_string(kItems) + ") g;");
        for (int g = 1; g <= kItems; ++g) {
            char code[16];
            std::snprintf(code, sizeof code, "789%010d", g);
            codes.push_back(code);
        }
        // The floor rewrites the hashes of twenty rows as wide as items.
        run("CREATE TABLE bench_item (id_bench serial PRIMARY KEY, LIKE balcora.cfiscald); "
            "ALTER TABLE bench_item ALTER COLUMN id_cfiscald DROP NOT NULL;");
        run("INSERT INTO bench_item (id_cfiscal, num_item, id_produto, preco, qtdade, total, "
            "vl_acrescimo, vl_desconto, st, aliquota, vl_base, vl_imposto, item_cancelado, "
            "comissao, descricao, unidade, totalizador, vl_pis, vl_cofins, vl_trib_fed, "
            "vl_trib_est, vl_trib_mun) SELECT 1, g, 1000 + g, 2.370, 1.000, 2.37, 0, 0.00, 'T', "
            "18.00, 2.37, 0.42, 0, 0.00, 'PRODUTO DE BANCADA ' || g, 'UN', '01T1800', 0.03, "
            "0.18, 0.31, 0.42, 0.00 FROM generate_series(1, " +
            std::to_string(kItems) + ") g;");
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
    }

    [[noreturn]] static void fail(const char* what) {
        std::fprintf(stderr, "coupon_closing_bench: %s failed\n", what);
        std::exit(1);
    }
    static void run(const std::string& sql) {
        if (QUERYSQL(sql).empty()) fail(sql.c_str());
    }

    void fill_coupon() {
        for (const std::string& code : codes)
            if (session->enter_code(code) != sale::Registration::registered) {
                for (const auto& s : prompt.shown()) std::fprintf(stderr, "%s\n", s.text.c_str());
                fail("registration");
            }
    }
    // Ten percent off, the balance in cash, and the coupon closed.
    void pay_and_close() {
        sale::PaymentScreen s;
        s.set_finished_notice([](const std::string&) {});
        if (!s.open() || !s.set_discount_percent_text("10") || !s.set_form("DI")) fail("screen");
        if (!s.confirm_payment().close || !s.completed()) {
            for (const auto& m : prompt.shown()) std::fprintf(stderr, "%s\n", m.text.c_str());
            fail("closing");
        }
    }
};

Shop& shop() {
    static Shop* s = new Shop;
    return *s;
}

// A floor statement that fails would time an error instead of the work.
void exec(const std::string& sql) {
    PGresult* r = PQexec(db::connection()->get(), sql.c_str());
    const ExecStatusType status = PQresultStatus(r);
    PQclear(r);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Shop::fail(sql.c_str());
}

void bare_hash_updates(benchmark::State& state) {
    Shop& s = shop();
    for (auto _ : state) {
        exec("BEGIN;");
        for (int i = 1; i <= kItems; ++i) exec(s.floor_hash + std::to_string(i) + ";");
        exec("COMMIT;");
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
    return balcora::bench::run_with_ratios(
        argc, argv,
        {{"coupon_closing_vs_20_bare_hash_updates", "close_coupon_of_20_items", "bare_hash_updates",
          3.0}});
}
