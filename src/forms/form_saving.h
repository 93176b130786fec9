#pragma once

// What the record forms share when they save: the notice for a row another
// station holds, the warning, and transaction control run without a report.
#include "db/sql_runner.h"
#include "ui/environment.h"

#include <string>

namespace balcora::forms {

inline constexpr const char* kLockedText =
    "Registro em uso por outra estação.|Aguarde um momento e tente novamente.";

inline void warn(const std::string& text) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

// Transaction control whose failure the next statement shows anyway.
inline bool run_quietly(const char* statement) {
    return db::run_sql(statement, db::report_nothing).has_value();
}

}  // namespace balcora::forms
