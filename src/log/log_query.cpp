#include "log/log_query.h"

#include <algorithm>

#include "db/literals.h"
#include "db/query_sql.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora::log {

namespace {

void add(std::string& where, const std::string& condition) {
    where += where.empty() ? "where " : " and ";
    where += condition;
}

}  // namespace

const std::vector<LogColumn>& log_columns() {
    static const std::vector<LogColumn> columns = {
        {"Data / Hora", 16}, {"Computador", 15}, {"Operador", 15},  {"Op.", 3},
        {"Tabela", 15},      {"Id", 24},         {"Descrição", 100}};
    return columns;
}

std::string log_statement(const LogFilter& filter) {
    std::string where;
    const std::string tabela = util::trim(filter.tabela), id = util::trim(filter.id),
                      operacao = util::trim(filter.operacao);
    if (!tabela.empty()) add(where, "tabela=" + TXTSQL(tabela));
    if (filter.data > 0)
        add(where, "id=" + TXTSQL(std::to_string(filter.data)));
    else if (!id.empty())
        add(where, "id=" + TXTSQL(id));
    if (!operacao.empty()) add(where, "operacao=" + TXTSQL(operacao));
    return "select to_char(data,'DD/MM/YYYY HH24:MI'),nome_cpd,nome_usuario,operacao,tabela,id,"
           "descricao from balcora.log " +
           where + (where.empty() ? "" : " ") + "order by data desc limit " +
           std::to_string(kMaxRows) + ";";
}

std::vector<LogRow> query_log(const LogFilter& filter) {
    std::vector<LogRow> rows;
    const std::string statement = log_statement(filter);
    // Read straight from the result: the shared record keeps only 79
    // characters past its third column, and the list shows 100 of the
    // description.
    const std::optional<db::PgResult> found = db::run_sql(statement);
    if (!found) return rows;
    const db::PgResult& r = *found;
    const auto& cols = log_columns();
    const int count = std::min(r.rows(), kMaxRows);
    for (int row = 0; row < count; ++row) {
        auto col = [&](int c) {
            return util::cut_characters(r.value(row, c), static_cast<std::size_t>(cols[c].width));
        };
        rows.push_back({col(0), col(1), col(2), col(3), col(4), col(5), col(6)});
    }
    return rows;
}

void LogQueryScreen::open(std::string_view operacao, std::string_view tabela, std::string_view id,
                          util::DayNumber data) {
    filter.operacao = util::cut_characters(operacao, kOperacaoWidth);
    filter.tabela = util::cut_characters(tabela, kTabelaWidth);
    filter.id = util::cut_characters(id, kIdWidth);
    filter.data = data > 0 ? data : 0;
    date_locked_ = filter.data > 0;
    refresh();
}

void LogQueryScreen::refresh() {
    rows_ = query_log(filter);
}

bool set_filter_date(LogFilter& filter, std::string_view typed) {
    std::string text = util::trim(typed);
    // A mask with no digits typed is an empty date.
    if (text.find_first_of("0123456789") == std::string::npos) {
        filter.data = 0;
        return true;
    }
    util::DayNumber day = util::parse_br_date(text);
    if (day <= 0) {
        prompt().message("Aviso", "Data inválida!", ui::Icon::kWarning);
        return false;
    }
    filter.data = day;
    return true;
}

const std::vector<LogMenuButton>& log_menu_buttons() {
    static const std::vector<LogMenuButton> buttons = {
        {"&Abertura do Dia", "abridia"},
        {"&Suprimento/Sangria de Caixa", "sup/sangria"},
        {"&Fechamento do Dia", "fechadia"},
        {"&Leitura X", "lx"},
        {"&Horário de Verão", "horaverao"},
        {"Ca&ncela Cupom Atual", "canccf"},
        {"C&ancela Comprovante Não-Fiscal", "canccnf"},
        {"Fe&char", ""},
    };
    return buttons;
}

util::DayNumber current_cash_day() {
    db::SqlRecord rec;
    if (QUERYSQL("SELECT data_sit FROM balcora.maqecf WHERE num_serie=" + TXTSQL(glo::numfab) +
                     " LIMIT 1;",
                 rec)
            .empty())
        return 0;
    return util::parse_iso_date(rec.C(1));
}

}  // namespace balcora::log
