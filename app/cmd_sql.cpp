#include "app/commands.h"
#include "db/query_sql.h"
#include "ui/environment.h"

#include <cstdio>
#include <string>

namespace balcora::app {

namespace {

// Notes whether an error was shown, so a failed statement gives a failing
// exit code while an empty result does not.
class ErrorNotingPrompt final : public ui::PromptPort {
  public:
    void message(std::string_view title, std::string_view text, ui::Icon icon) override {
        failed_ |= icon == ui::Icon::kError;
        console_.message(title, text, icon);
    }
    bool confirm(std::string_view title, std::string_view text) override {
        return console_.confirm(title, text);
    }
    void beep() override {}
    bool failed() const { return failed_; }

  private:
    ui::ConsolePromptPort console_;
    bool failed_ = false;
};

}  // namespace

// Prints QUERYSQL's return value, then every row of the shared result with
// its columns separated by tabs, so a technician sees what the program sees.
int run_sql_command(CommandLine& cl) {
    if (cl.args.size() != 1) {
        std::fputs("Uso: balcora sql \"COMANDO\"\n", stderr);
        return 2;
    }
    if (!open_program_database(cl)) return 1;
    ErrorNotingPrompt errors;
    ScopedEnvironment env({nullptr, nullptr, &errors});
    const std::string result = QUERYSQL(cl.args[0]);
    std::printf("%s\n", result.c_str());
    db::SqlRecord& rec = db::sql();
    while (rec.has_row()) {
        std::string line;
        for (int k = 1; k <= rec.column_count(); ++k) {
            if (k > 1) line += '\t';
            line += rec.C(k);
        }
        std::printf("%s\n", line.c_str());
        rec.next();
    }
    return errors.failed() ? 1 : 0;
}

}  // namespace balcora::app
