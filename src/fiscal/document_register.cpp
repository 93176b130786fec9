#include "fiscal/document_register.h"

#include "ecf/driver_abi.h"
#include "ecf/driver_printer.h"

#include "db/literals.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/day_number.h"

#include <cstdio>
#include <string>

namespace balcora {

namespace {

// "ddmmyyhhmmss" -> ('yyyy-mm-dd', 'hh:mm:ss'). What cannot be read is taken
// from the computer's clock: both columns enter the row's digest, and a NULL
// there would leave the row without one, to be shown as tampered.
std::pair<std::string, std::string> printer_date_time(std::string_view t) {
    auto digits = [&](std::size_t pos, std::size_t n, int& out) {
        if (t.size() < pos + n) return false;
        out = 0;
        for (std::size_t i = pos; i < pos + n; ++i) {
            if (t[i] < '0' || t[i] > '9') return false;
            out = out * 10 + (t[i] - '0');
        }
        return true;
    };
    int d, m, y, hh, mm, ss;
    const platform::LocalTime now = clock().now();
    std::string date = DTSQL(util::day_of(now)), time = TXTSQL(util::time_text(now));
    if (digits(0, 2, d) && digits(2, 2, m) && digits(4, 2, y))
        date = DTSQL(util::day_number(2000 + y, m, d));
    if (digits(6, 2, hh) && digits(8, 2, mm) && digits(10, 2, ss) && hh < 24 && mm < 60 &&
        ss < 60) {
        char buf[16];
        std::snprintf(buf, sizeof buf, "'%02d:%02d:%02d'", hh, mm, ss);
        time = buf;
    }
    return {date, time};
}

}  // namespace

bool register_issued_document(std::string_view tipo, std::int32_t num_cro, std::int32_t num_coo,
                              std::int32_t num_ccf, std::int32_t num_gnf, std::int32_t num_grg,
                              std::int32_t num_cdc, std::string_view valor) {
    db::SqlRecord printer;
    db::read_rows(
        "SELECT id_maqecf, coalesce(data_sit::text,'') AS data_sit FROM "
        "balcora.maqecf WHERE num_serie=$1 LIMIT 1",
        {glo::numfab}, printer);
    const std::string id_maqecf = printer.has_row() ? std::string(printer.text("id_maqecf")) : "0";
    const std::string day = printer.has_row() && !printer.text("data_sit").empty()
                                ? "'" + std::string(printer.text("data_sit")) + "'"
                                : DTSQL(today());
    const auto [date, time] = printer_date_time(ecf::last_printer_date_time());
    const long long cents = text_to_integer(valor);
    // The sign is written apart: cents / 100 of -50 is 0, which has none.
    const unsigned long long size = cents < 0 ? 0ULL - static_cast<unsigned long long>(cents)
                                              : static_cast<unsigned long long>(cents);
    char amount[32];
    std::snprintf(amount, sizeof amount, "%s%llu.%02llu", cents < 0 ? "-" : "", size / 100,
                  size % 100);

    const std::string insert =
        "INSERT INTO balcora.docecf (id_empresa, id_maqecf, data, tipo, num_cro, num_coo, num_ccf, "
        "num_gnf, dt_emissao_final, hr_emissao_final, num_cdc, num_grg, nsu, valor, nomerede) "
        "VALUES (" +
        std::to_string(glo::id_empresa) + "," + id_maqecf + "," + day + "," +
        TXTSQL(tipo.substr(0, 2)) + "," + std::to_string(num_cro) + "," + std::to_string(num_coo) +
        "," + std::to_string(num_ccf) + "," + std::to_string(num_gnf) + "," + date + "," + time +
        "," + std::to_string(num_cdc) + "," + std::to_string(num_grg) + ",''," + amount + ",'');";
    auto not_stored = [&](const db::SqlFailure& f, std::string_view) {
        prompt().message(
            "Erro",
            "Erro (" + f.text + ") ao gravar Documento do ECF! Nº COO: " + std::to_string(num_coo),
            ui::Icon::kError);
    };
    // The row and its hash in one statement text, which the server runs as
    // one transaction: a crash between the two would leave a row unsealed.
    return db::run_sql(insert + " update balcora.docecf set hash=" + db::hash_expression("docecf") +
                           " where id_docecf=currval('balcora.docecf_id_docecf_seq');",
                       not_stored)
        .has_value();
}

}  // namespace balcora

// No C++ exception may reach a driver written in another language.
extern "C" uint8_t GRAVADOCEMITIDOSECF(const char* tipo, int32_t num_cro, int32_t num_coo,
                                       int32_t num_ccf, int32_t num_gnf, int32_t num_grg,
                                       int32_t num_cdc, const char* valor) {
    try {
        return balcora::register_issued_document(tipo ? tipo : "", num_cro, num_coo, num_ccf,
                                                 num_gnf, num_grg, num_cdc, valor ? valor : "")
                   ? 1
                   : 0;
    } catch (...) {
        return 0;
    }
}
