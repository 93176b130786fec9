// Closing a day of 1,000 coupons (the Z reduction, the day's reg60m record
// and the day's registers file; no Bloco X transmission, no backup) against
// the registers file of the same day alone: what the closing adds to the one
// file it must write.
//
// The coupons are the database's, which the registers file reads; the
// printer's day holds none of them, since its reduction costs the same
// whatever its totals hold.
#include "bench_steps.h"
#include "db/database.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "demo/demo_data.h"
#include "ecf/cash_day_services.h"
#include "ecf/day_closing.h"
#include "ecf/printer.h"
#include "ecf/printer_driver.h"
#include "ecf/printer_layouts.h"
#include "fiscal/cash_day_services.h"
#include "fiscal/paf_registers.h"
#include "globals/globals.h"
#include "platform/clock.h"
#include "support/scripted_prompt.h"
#include "support/temp_root.h"
#include "support/test_database.h"
#include "ui/environment.h"
#include "util/day_number.h"

#include <libpq-fe.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace balcora;
using bench::Clock;
using bench::fail;
using bench::median;
using bench::run;
using bench::seconds_since;

constexpr int kCoupons = 1000;
constexpr int kRounds = 5;

// The day's coupons, four items and a cash payment each, sealed with their
// digests; `first` numbers them on from the previous days.
void load_day(util::DayNumber day, int first) {
    const std::string date = "'" + util::iso_date(day) + "'";
    const std::string of_day =
        " WHERE id_cfiscal IN (SELECT id_cfiscal FROM balcora.cfiscal WHERE data=" + date + ")";
    const std::string range = "generate_series(" + std::to_string(first) + ", " +
                              std::to_string(first + kCoupons - 1) + ")";
    run("INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, num_cro, numero, num_ccf, data, "
        "total, vl_desconto, vl_acrescimo, situacao) SELECT 1, 1, 1, g, g, " +
        date + ", 40.00, 0, 0, 'E' FROM " + range + " g;");
    run("UPDATE balcora.cfiscal SET hash=" + db::hash_expression("cfiscal") +
        " WHERE data=" + date + ";");
    run("INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, qtdade, preco, total, "
        "vl_desconto, vl_acrescimo, item_cancelado, totalizador, descricao, unidade) SELECT "
        "c.id_cfiscal, i, 1, 2.000, 5.000, 10.00, 0, 0, 0, '01T1800', 'PRODUTO DE BANCADA ' || i, "
        "'UN' FROM balcora.cfiscal c, generate_series(1, 4) i WHERE c.data=" +
        date + ";");
    run("UPDATE balcora.cfiscald SET hash=" + db::hash_expression("cfiscald") + of_day + ";");
    run("INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, valor, vl_troco, num_coo, "
        "num_coo_cf, num_gnf) SELECT id_cfiscal, 1, 'DI', 40.00, 0, numero, 0, 0 FROM "
        "balcora.cfiscal WHERE data=" +
        date + ";");
    run("UPDATE balcora.cfiscalfp SET hash=" + db::hash_expression("cfiscalfp") + of_day + ";");
    run("ANALYZE balcora.cfiscal; ANALYZE balcora.cfiscald; ANALYZE balcora.cfiscalfp;");
}

void show_messages(const test::ScriptedPrompt& prompt) {
    for (const auto& s : prompt.shown()) std::fprintf(stderr, "%s\n", s.text.c_str());
}

}  // namespace

int main() {
    test::ScriptedPrompt prompt;
    test::TempRoot root;
    platform::FixedClock clock{{2026, 12, 1, 8, 0, 0}};
    ui::ScreenPort screens;
    ScopedEnvironment env{{&clock, &root.root(), &prompt, &screens}};
    glo::reset_all();
    test::TestDatabase database;
    glo::string_conexao = database.connection_string();
    if (!load_demo_data()) fail("demo data");
    DEFINEHASH();
    glo::numfab = demo::kPrinterSerial;
    glo::id_empresa = demo::kCompanyId;
    glo::nome_operador = "bench";
    run("UPDATE balcora.maqecf SET situacao='F', data_sit='2026-11-30';");
    // The closing hour is not what is measured.
    if (!GRAVAREGISTRO("balcora", "Configuração", "Desbloqueia Fechamento", "1")) fail("setting");
    if (!ecf::load_driver(ecf::default_driver_path())) fail("virtual printer");

    ecf::CashDayServices services;
    services.registers = fiscal::cash_day_services().registers;
    std::vector<double> closing, registers;
    for (int round = 0; round < kRounds; ++round) {
        const int day_of_month = 1 + round;
        const util::DayNumber day = util::day_number(2026, 12, day_of_month);
        clock.set({2026, 12, day_of_month, 8, 0, 0});
        if (!ecf::send(ecf::CMD_OPEN_DAY, {*ecf::opening_supply(util::Money::from_units(10'000))}))
            fail("day opening");
        load_day(day, 1 + round * kCoupons);
        clock.set({2026, 12, day_of_month, 19, 0, 0});

        prompt.clear();
        prompt.answer(true);  // "Confirma fechar o caixa?"
        const auto t = Clock::now();
        ecf::DayClosing(services).close_day();
        closing.push_back(seconds_since(t));
        if (QUERYSQL("SELECT count(*) FROM balcora.log WHERE tabela='fechadia' AND id='" +
                     std::to_string(day) +
                     "' AND descricao IN ('Reg60m', 'Finaliza Registro PAF');") != "2") {
            show_messages(prompt);
            fail("day closing");
        }

        const auto f = Clock::now();
        fiscal::RegistersRequest request;
        request.start = day;
        request.end = day;
        request.from_day_close = true;
        if (!fiscal::generate_paf_registers(request).ok) {
            show_messages(prompt);
            fail("registers file");
        }
        registers.push_back(seconds_since(f));
    }
    ecf::unload_driver();

    const double ratio = median(closing) / median(registers);
    std::printf("median day_close %.3f s, registers file %.3f s (%d coupons)\n", median(closing),
                median(registers), kCoupons);
    std::printf("ratio day_close_vs_registers %.2f goal 1.30\n", ratio);
    return 0;
}
