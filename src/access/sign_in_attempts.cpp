#include "access/sign_in_attempts.h"

#include "db/database.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/sql_runner.h"
#include "log/operation_log.h"
#include "platform/host.h"
#include "ui/environment.h"

#include <cstdio>
#include <cstdlib>

namespace balcora::access {

namespace {

// The computer names the row; the column holds 40 characters.
std::string computer() {
    std::string name = platform::computer_name();
    if (name.size() > 40) name.resize(40);
    return TXTSQL(name);
}

// The injected clock, so the window follows the program's time.
std::string now_literal() {
    const auto t = clock().now();
    char buf[40];
    std::snprintf(buf, sizeof buf, "'%04d-%02d-%02d %02d:%02d:%02d'::timestamp", t.year, t.month,
                  t.day, t.hour, t.minute, t.second);
    return buf;
}

std::string window_start() {
    return "(" + now_literal() + " - interval '" + std::to_string(kLockoutMinutes) + " minutes')";
}

}  // namespace

std::optional<RecentFailures> recent_failed_sign_ins() {
    const std::string statement =
        "SELECT tentativas, to_char(ultima + interval '" + std::to_string(kLockoutMinutes) +
        " minutes', 'HH24:MI') FROM balcora.tentativa_acesso WHERE nome_cpd=" + computer() +
        " AND ultima > " + window_start() + ";";
    std::optional<db::PgResult> r = db::run_sql(statement);
    if (!r) return std::nullopt;
    if (r->rows() == 0) return RecentFailures{};
    return RecentFailures{std::atoi(std::string(r->value(0, 0)).c_str()),
                          std::string(r->value(0, 1))};
}

void record_failed_sign_in(std::string_view login) {
    const std::string now = now_literal();
    db::execute("INSERT INTO balcora.tentativa_acesso (nome_cpd, tentativas, ultima) VALUES (" +
                computer() + ", 1, " + now +
                ") ON CONFLICT (nome_cpd) DO UPDATE SET tentativas=CASE WHEN "
                "balcora.tentativa_acesso.ultima > " +
                window_start() +
                " THEN balcora.tentativa_acesso.tentativas + 1 ELSE 1 END, ultima=" + now + ";");
    log_failed_sign_in(login);
}

void clear_failed_sign_ins() {
    db::execute("DELETE FROM balcora.tentativa_acesso WHERE nome_cpd=" + computer() + ";");
}

}  // namespace balcora::access
