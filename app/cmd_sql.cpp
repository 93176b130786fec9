#include "app/commands.h"
#include "db/database.h"
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
// its columns separated by tabs, so a technician sees what the program sees;
// values are printed whole, every column of them, where the program's readers
// get them cut to the record's widths. A text that leaves a transaction open
// is a failure: nothing of it is kept, since the connection ends here.
int run_sql_command(CommandLine& cl) {
    if (cl.args.size() != 1) {
        std::fputs("Uso: balcora sql \"COMANDO\"\n", stderr);
        return 2;
    }
    if (!open_program_database(cl)) return 1;
    ErrorNotingPrompt errors;
    ScopedEnvironment env({nullptr, nullptr, &errors});
    const std::string result = QUERYSQL(cl.args[0]);
    db::SqlRecord& rec = db::sql();
    std::printf("%s\n", rec.has_row() ? std::string(rec.whole(1)).c_str() : result.c_str());
    while (rec.has_row()) {
        std::string line;
        for (int k = 1; k <= rec.result_columns(); ++k) {
            if (k > 1) line += '\t';
            line += rec.whole(k);
        }
        std::printf("%s\n", line.c_str());
        rec.next();
    }
    db::PgConnection* conn = db::connection();
    if (conn && PQtransactionStatus(conn->get()) != PQTRANS_IDLE) {
        db::execute("ROLLBACK;");
        std::fputs(
            "balcora sql: o comando deixou uma transacao aberta, que foi desfeita; termine-o "
            "com COMMIT para gravar\n",
            stderr);
        return 1;
    }
    return errors.failed() ? 1 : 0;
}

}  // namespace balcora::app
