#pragma once

#include "util/day_number.h"

#include <string>
#include <string_view>
#include <vector>

namespace balcora::log {

// The filter fields of "Consulta LOG Operações".
struct LogFilter {
    std::string operacao;  // 3 characters
    std::string tabela;    // 20
    std::string id;        // 30
    util::DayNumber data = 0;
};

inline constexpr int kOperacaoWidth = 3;
inline constexpr int kTabelaWidth = 20;
inline constexpr int kIdWidth = 30;
inline constexpr int kMaxRows = 500;

// One row of the list, each value cut to the width the list shows.
struct LogRow {
    std::string data;        // DD/MM/YYYY HH24:MI, 16
    std::string computador;  // 15
    std::string operador;    // 15
    std::string operacao;    // 3
    std::string tabela;      // 15
    std::string id;          // 24
    std::string descricao;   // 100
};

struct LogColumn {
    std::string_view title;
    int width;  // characters shown
};
// Data / Hora, Computador, Operador, Op., Tabela, Id, Descrição.
const std::vector<LogColumn>& log_columns();

// The query of the list: a set date stands for a cash day and wins over the
// id; every typed text reaches the SQL only as a literal.
std::string log_statement(const LogFilter& filter);

// The newest rows first, at most 500. An empty list when nothing matched or
// the query failed (the failure was shown).
std::vector<LogRow> query_log(const LogFilter& filter);

// "Consulta LOG Operações": the filter, whether its date may be changed, and
// the rows of the last query.
class LogQueryScreen {
  public:
    // The arguments preset the filter; a date passed in stays fixed.
    void open(std::string_view operacao, std::string_view tabela, std::string_view id,
              util::DayNumber data);
    // "Consultar": runs the query with the current filter.
    void refresh();

    LogFilter filter;
    bool date_locked() const { return date_locked_; }
    const std::vector<LogRow>& rows() const { return rows_; }

  private:
    bool date_locked_ = false;
    std::vector<LogRow> rows_;
};

// A typed date of the filter ("DD/MM/YYYY", blank for none). False after
// "Data inválida!" was shown; the filter keeps its date then.
bool set_filter_date(LogFilter& filter, std::string_view typed);

// "Consulta Log": one button per fiscal function, and "Fe&char".
struct LogMenuButton {
    std::string_view text;
    std::string_view function;  // the log's tabela; empty for "Fe&char"
};
const std::vector<LogMenuButton>& log_menu_buttons();

// The cash day of the authorised printer (its maqecf row's data_sit); 0 when
// there is none.
util::DayNumber current_cash_day();

}  // namespace balcora::log
