#include "blocox/pending_warning.h"

#include "db/query_sql.h"
#include "db/settings.h"
#include "globals/globals.h"
#include "util/calendar.h"
#include "util/day_number.h"
#include "util/text.h"

#include <string_view>

namespace balcora::blocox {

namespace {

constexpr std::string_view kUrgent =
    "| |A PARTIR DA {}ª TRANSMISSÃO PENDENTE, O SEU PROGRAMA SERÁ BLOQUEADO E SOMENTE SERÁ "
    "LIBERADO APÓS TODAS AS TRANSMISSÕES SEREM REALIZADAS. VERIFIQUE URGENTEMENTE COM O "
    "FORNECEDOR DO PROGRAMA A SOLUÇÃO DA PENDÊNCIA.";
constexpr std::string_view kAdvice =
    "| |VERIFIQUE COM O FORNECEDOR DO PROGRAMA A SOLUÇÃO DA PENDÊNCIA.";

std::string urgent(int from) {
    std::string text(kUrgent);
    return text.replace(text.find("{}"), 2, std::to_string(from));
}

std::string warning(long long n, std::string_view files, std::string_view command) {
    return "HÁ " + std::to_string(n) + " ARQUIVOS COM INFORMAÇÕES " + std::string(files) +
           " PENDENTES DE TRANSMISSÃO AO FISCO. O CONTRIBUINTE PODE TRANSMITIR OS ARQUIVOS PELO "
           "MENU FISCAL POR MEIO DO COMANDO \"" +
           std::string(command) + "\".";
}

long long count(const std::string& sql) {
    db::SqlRecord r;
    if (QUERYSQL(sql, r) != "1") return -1;
    return text_to_integer(r.C(1));
}

}  // namespace

std::string reduction_pending_warning(long long n) {
    std::string text = warning(n, "DA REDUÇÃO Z DO PAF-ECF",
                               "TRANSMITIR ARQUIVOS COM INFORMAÇÕES DA REDUÇÃO Z DO PAF-ECF");
    if (n > 8) return text + urgent(10);
    if (n > 4) return text + std::string(kAdvice);
    return text;
}

std::string stock_pending_warning(long long n) {
    std::string text =
        warning(n, "DO ESTOQUE MENSAL DO ESTABELECIMENTO",
                "TRANSMITIR ARQUIVOS COM INFORMAÇÕES DO ESTOQUE MENSAL DO ESTABELECIMENTO");
    if (n > 3) return text + urgent(5);
    if (n > 1) return text + std::string(kAdvice);
    return text;
}

long long reduction_block_limit(util::DayNumber today, long long pending) {
    const util::DayNumber d0 = today + 10 - static_cast<util::DayNumber>(pending);
    util::DayNumber d1 = d0;
    // A year has no run of more than a handful of days off; the bound only
    // keeps a broken calendar from looping.
    for (int i = 0; i < 31 && !DIAUTIL(d1); ++i) --d1;
    return 10 - (d0 - d1);
}

std::string blocking_section() {
    return "PAF-ECF." + util::trim(glo::numfab);
}

long long pending_reductions(int id_maqecf) {
    // Exactly what a send run would transmit: reductions of days before Bloco
    // X applied are never sent, so they must never count towards the block.
    std::string sql =
        "SELECT count(*) FROM balcora.reg60m WHERE id_maqecf=" + std::to_string(id_maqecf) +
        " AND sit_blocox='P' and num_cont_red_z>0";
    if (glo::dtenvredz > 0) sql += " and data>='" + util::iso_date(glo::dtenvredz) + "'";
    return count(sql + ";");
}

long long pending_stock_periods(int id_empresa) {
    return count("SELECT count(*) FROM balcora.estoquex WHERE id_empresa=" +
                 std::to_string(id_empresa) + " AND sit_blocox='P';");
}

void write_reduction_block(util::DayNumber today, long long pending) {
    if (pending < 0) return;
    const bool blocked = pending > 0 && pending >= reduction_block_limit(today, pending);
    GRAVAREGISTRO("balcora", blocking_section(), kBlockedReductionKey, blocked ? "1" : "0");
}

void write_stock_block(long long pending) {
    if (pending < 0) return;
    GRAVAREGISTRO("balcora", blocking_section(), kBlockedStockKey,
                  pending >= kStockBlockLimit ? "1" : "0");
}

}  // namespace balcora::blocox
