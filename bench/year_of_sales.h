#pragma once

// The benchmark shop's year of movement, shared by the benchmarks that read
// a year of sales (registers file, backup). Needs the demo data and the hash
// expressions (DEFINEHASH) in place.
#include "bench_steps.h"
#include "db/record_hash.h"
#include "demo/demo_data.h"
#include "globals/globals.h"
#include "platform/clock.h"
#include "support/scripted_prompt.h"
#include "support/temp_root.h"
#include "support/test_database.h"
#include "ui/environment.h"

namespace balcora::bench {

// A year of a busy checkout: 150,000 coupons with six items and two payments
// each, a reduction a day, all sealed with their digests.
inline void load_year_of_sales() {
    run("INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, num_cro, numero, num_ccf, data, "
        "total, vl_desconto, vl_acrescimo, situacao, id_cliente) SELECT 1, 1, 1, g, g, "
        "'2025-01-01'::date + (g % 365), 60.00, CASE WHEN g % 10 = 0 THEN 1.00 ELSE 0 END, 0, "
        "CASE WHEN g % 50 = 0 THEN 'C' ELSE 'E' END, CASE WHEN g % 7 = 0 THEN 1 END "
        "FROM generate_series(1, 150000) g;");
    run("UPDATE balcora.cfiscal SET hash=" + db::hash_expression("cfiscal") + ";");
    run("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, qtdade, preco, total, "
        "vl_desconto, vl_acrescimo, item_cancelado, totalizador, descricao, unidade) SELECT "
        "c.id_cfiscal, i, 1, 2.000, 5.000, 10.00, 0, 0, 0, '01T1800', 'PRODUTO DE BANCADA ' || i, "
        "'UN' FROM balcora.cfiscal c, generate_series(1, 6) i;");
    run("UPDATE balcora.cfiscald SET hash=" + db::hash_expression("cfiscald") + ";");
    run("INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, valor, vl_troco, num_coo, "
        "num_coo_cf, num_gnf) SELECT c.id_cfiscal, o, CASE o WHEN 1 THEN 'DI' ELSE 'CA' END, "
        "30.00, 0, c.numero, 0, 0 FROM balcora.cfiscal c, generate_series(1, 2) o;");
    run("UPDATE balcora.cfiscalfp SET hash=" + db::hash_expression("cfiscalfp") + ";");
    run("INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, num_cont_red_z, num_coo, "
        "num_cont_reinicio, dt_emissao, hr_emissao, vl_venda_bruta) SELECT 1, 1, "
        "'2025-01-01'::date + d, d + 1, d * 411, 1, '2025-01-01'::date + d, '22:00:00', "
        "24660.00 FROM generate_series(0, 364) d;");
    run("INSERT INTO balcora.reg60a (id_reg60m, st_aliq, vl_acumulado, totalizador) SELECT "
        "id_reg60m, s, 100.00, '' FROM balcora.reg60m, unnest(ARRAY['CANC','DESC','F']) s;");
    run("ANALYZE balcora.cfiscal; ANALYZE balcora.cfiscald; ANALYZE balcora.cfiscalfp; "
        "ANALYZE balcora.reg60m; ANALYZE balcora.reg60a;");
}

// The benchmark shop with its year of sales on a throwaway database, and the
// services a run of the program has injected (a clock pinned in January 2026).
struct YearShop {
    struct FreshGlobals {
        FreshGlobals() { glo::reset_all(); }
    };

    YearShop() {
        glo::string_conexao = database.connection_string();
        if (!load_demo_data()) fail("demo data");
        DEFINEHASH();
        glo::numfab = demo::kPrinterSerial;
        glo::id_empresa = demo::kCompanyId;
        load_year_of_sales();
    }

    test::ScriptedPrompt prompt;
    test::TempRoot root;
    platform::FixedClock clock{{2026, 1, 5, 10, 0, 0}};
    ScopedEnvironment env{{&clock, &root.root(), &prompt}};
    FreshGlobals fresh;
    test::TestDatabase database;
};

}  // namespace balcora::bench
