#pragma once

// The shop the sale benchmarks work in: the demo data with the day open on
// the virtual printer, a throwaway data root and database, products of their
// own and a table beside the items for the floors to write.
#include "db/database.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "demo/demo_data.h"
#include "ecf/driver_printer.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer_driver.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "platform/clock.h"
#include "sale/sale_session.h"
#include "support/scripted_prompt.h"
#include "support/temp_root.h"
#include "support/test_database.h"
#include "ui/environment.h"
#include "util/text.h"

#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace balcora::bench {

struct BenchShop {
    test::ScriptedPrompt prompt;
    test::TempRoot root;
    platform::FixedClock clock{{2026, 12, 7, 10, 0, 0}};
    ScopedEnvironment env{{&clock, &root.root(), &prompt}};
    CheckoutState checkout;
    ecf::DriverPrinter checkout_printer{checkout};
    ecf::UsePrinter use_checkout_printer{checkout_printer};
    std::unique_ptr<test::TestDatabase> db;
    std::unique_ptr<sale::SaleSession> session;
    std::vector<std::string> codes;  // the products' barcodes, in order
    // "UPDATE bench_item SET hash=<the items' hash expression> WHERE id_bench=".
    std::string floor_hash;

    // `products` products taxed at 18 %, priced by the SQL expression over g.
    BenchShop(int products, const std::string& price_of_g) {
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
            "10, '0'), 'PRODUTO DE BANCADA ' || g, 'UN', 'A', " +
            price_of_g + ", 1, 1, 'T', 18.00, '01', 1, 1.50, 22021000, 0, 1.65, 7.60, 13.45, " +
            "18.00, 0 FROM generate_series(1, " + std::to_string(products) + ") g;");
        run("ANALYZE balcora.produto; ANALYZE balcora.codbarra;");
        for (int g = 1; g <= products; ++g) {
            char code[16];
            std::snprintf(code, sizeof code, "789%010d", g);
            codes.push_back(code);
        }
        // Rows as wide as items, hashed by the same expression.
        run("CREATE TABLE bench_item (id_bench serial PRIMARY KEY, LIKE balcora.cfiscald); "
            "ALTER TABLE bench_item ALTER COLUMN id_cfiscald DROP NOT NULL;");
        floor_hash = "UPDATE bench_item SET hash=" +
                     SUBSTITUIR(db::hash_expression("cfiscald"), "balcora.cfiscald", "bench_item") +
                     " WHERE id_bench=";
#ifdef BALCORA_VIRTUAL_ECF_PATH
        if (!ecf::load_driver(BALCORA_VIRTUAL_ECF_PATH)) fail("virtual printer");
#else
        fail("the virtual printer was not built");
#endif
        session = std::make_unique<sale::SaleSession>(checkout, sale::SaleScreen::kQuickSale);
        if (!session->load_point_of_sale()) fail("point of sale");
    }

    // The printer lets go of the data root and the database before they go.
    ~BenchShop() {
        session.reset();
        ecf::unload_driver();
    }
    BenchShop(const BenchShop&) = delete;
    BenchShop& operator=(const BenchShop&) = delete;

    [[noreturn]] static void fail(const char* what) {
        std::fprintf(stderr, "benchmark: %s failed\n", what);
        std::exit(1);
    }
    static void run(const std::string& sql) {
        if (QUERYSQL(sql).empty()) fail(sql.c_str());
    }
    // A floor statement on raw libpq; one that fails would time an error
    // instead of the work.
    static void exec(const std::string& sql) {
        PGresult* r = PQexec(db::connection()->get(), sql.c_str());
        const ExecStatusType status = PQresultStatus(r);
        PQclear(r);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) fail(sql.c_str());
    }

    void sell(const std::string& code) {
        if (session->enter_code(code) != sale::Registration::kRegistered) {
            for (const auto& s : prompt.shown()) std::fprintf(stderr, "%s\n", s.text.c_str());
            fail("registration");
        }
    }
};

}  // namespace balcora::bench
