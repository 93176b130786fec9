#include "backoffice/stock_export.h"

#include "db/fiscal_write.h"
#include "db/literals.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "ecf/maqecf_record.h"
#include "globals/globals.h"
#include "platform/file_digest.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <vector>

namespace balcora::backoffice {

namespace {

constexpr const char* kSection = "PAF-ECF";
constexpr const char* kDefaultStart = "2010-01-01";

std::string setting(std::string_view key, std::string_view default_value) {
    return LEREGISTRO("balcora", kSection, key, default_value);
}

std::int32_t whole(std::string_view text) {
    const auto n = util::read_integer(text);
    return n.valid && n.value >= 0 && n.value <= INT32_MAX ? static_cast<std::int32_t>(n.value) : 0;
}

// A movement as the back office stores it, every value built here from
// numbers and dates. origem_seq carries the number of the checkout's printer:
// the shop's checkouts export into the same table, and each replaces only
// its own rows.
std::string movement_values(std::int32_t company, std::int32_t location,
                            const std::string& id_produto, util::DayNumber day,
                            const std::string& qtdade, int order, std::int32_t printer) {
    return "(" + std::to_string(company) + ", " + std::to_string(location) + ", " + id_produto +
           ", ' ', ' ', 'F', ' ', ' ', ' ', '" + util::iso_date(day) +
           "', 'MOVIMENTO BALCORA', 'S', " + qtdade + ", 0, 0, 0, 'PDV', 1, 'PDV', " +
           std::to_string(day) + ", " + std::to_string(order) + ", " + std::to_string(printer) +
           ")";
}

// This checkout's printer row; its number is 0 after the reason was shown.
MaqecfRecord checkout_printer() {
    MaqecfRecord row;
    const std::string serial = util::trim(glo::numfab);
    if (!serial.empty() && ecf::load_maqecf_by_serial(serial, row) && row.numero > 0) return row;
    row.numero = 0;
    prompt().message("Aviso",
                     "O ECF deste caixa (" + serial +
                         ") não tem número no cadastro de impressoras fiscais: o estoque não "
                         "pode ser atualizado sem ele.",
                     ui::Icon::kWarning);
    return row;
}

constexpr const char* kMovementInsert =
    "INSERT INTO gestao.estmovto (id_empresa, id_estlocal, id_produto, variante, validade, "
    "docto_natureza, docto_tipo, docto_serie, docto_numero, data, historico, tipo, qtdade, "
    "valor, vl_ajuste, custo_medio, operador, status, origem_prefixo, origem_id, origem_ordem, "
    "origem_seq) VALUES ";

// One back-office transaction; rolled back quietly unless committed.
class RemoteWork {
  public:
    explicit RemoteWork(const db::FailureReport& report)
        : begun_(db::run_sql(linked_exec("BEGIN;"), report).has_value()) {}
    ~RemoteWork() {
        if (begun_) db::run_sql(linked_exec("ROLLBACK;"), db::report_nothing);
    }
    RemoteWork(const RemoteWork&) = delete;
    RemoteWork& operator=(const RemoteWork&) = delete;
    bool begun() const { return begun_; }
    bool commit(const db::FailureReport& report) {
        begun_ = false;
        return db::run_sql(linked_exec("COMMIT;"), report).has_value();
    }

  private:
    bool begun_ = false;
};

// A refused movement: an inventory blocks the product's day, or something
// the operator is shown as it came.
void report_refused_movement(const db::SqlFailure& f, std::string_view statement) {
    const std::string why = f.text;
    if (why.find("inventário") != std::string::npos || why.find("inventario") != std::string::npos)
        prompt().message("Erro",
                         "Atualização de estoque bloqueada por inventário, Favor verificar código "
                         "do produto e data do inventário abaixo no Kontora!||" +
                             why,
                         ui::Icon::kError);
    else
        prompt().message("Erro", "Erro desconhecido(" + why + ")!||" + std::string(statement),
                         ui::Icon::kError);
}

}  // namespace

StockExportSettings read_stock_export_settings() {
    StockExportSettings s;
    s.link = read_link_settings();
    s.emp_secundaria = whole(setting("EmpSecundaria", "0"));
    s.automatic = util::trim(setting("AtEstAutomatico", "1")) == "1";
    s.local_estoque = whole(setting("LocalEstoque", "1"));
    if (s.local_estoque == 0) s.local_estoque = 1;
    return s;
}

bool write_stock_export_settings(const StockExportSettings& s) {
    return write_link_settings(s.link) &&
           GRAVAREGISTRO("balcora", kSection, "EmpSecundaria", std::to_string(s.emp_secundaria)) &&
           GRAVAREGISTRO("balcora", kSection, "AtEstAutomatico", s.automatic ? "1" : "0") &&
           GRAVAREGISTRO("balcora", kSection, "LocalEstoque", std::to_string(s.local_estoque));
}

util::DayNumber stock_export_start() {
    const util::DayNumber day = util::parse_iso_date(util::trim(setting("Data Estoque", "")));
    return day > 0 ? day : util::parse_iso_date(kDefaultStart);
}

bool stock_export_wanted(ExportMode mode) {
    if (mode == ExportMode::kMenu) return true;
    if (util::trim(setting("AtEstAutomatico", "1")) != "1") return false;
    if (mode == ExportMode::kAutomatic) return true;
    db::SqlRecord r;
    if (!db::read_rows("SELECT dt_estoque FROM balcora.empresa WHERE id_empresa=" +
                           std::to_string(glo::id_empresa) + ";",
                       r) ||
        !r.has_row())
        return false;
    return util::parse_iso_date(r.C(1)) != today();
}

StockExportScreen::StockExportScreen(ExportMode mode) : mode_(mode) {}

void StockExportScreen::on_status(std::function<void(const std::string&)> listener) {
    listener_ = std::move(listener);
}

void StockExportScreen::set_status(std::string text) {
    status_ = std::move(text);
    if (listener_) listener_(status_);
}

void StockExportScreen::open() {
    settings = read_stock_export_settings();
    if (!settings.automatic) prompt().message("Aviso", "DESATIVADO", ui::Icon::kInformation);
}

bool StockExportScreen::save() {
    if (!write_stock_export_settings(settings)) return false;
    prompt().message("Aviso", "Configurações salvas com sucesso!", ui::Icon::kInformation);
    return true;
}

bool StockExportScreen::run() {
    focus_server_ = false;
    if (util::trim(settings.link.servidor).empty()) {
        focus_server_ = true;
        return false;
    }
    if (!settings.automatic) return false;
    const MaqecfRecord printer = checkout_printer();
    printer_ = printer.numero;
    if (printer_ == 0) return false;
    LinkSession link(settings.link, [this](const std::string& text) { set_status(text); });
    if (!link.ok()) return false;
    const util::DayNumber start = stock_export_start();
    util::DayNumber last_day = 0;
    std::vector<std::int32_t> companies{glo::id_empresa};
    if (settings.emp_secundaria != 0) companies.push_back(settings.emp_secundaria);
    for (std::int32_t company : companies) {
        if (!export_company(company, start, last_day)) return false;
        if (!copy_balances(company, start)) return false;
    }
    if (last_day > 0) {
        util::DayNumber next = last_day + 1;
        // The cash day still open may take sales after this run read it (a
        // pre-sale issued from the command line, a second window): it is
        // exported again by the next run, which replaces it whole.
        if (util::trim(printer.situacao) == "A" && printer.data_sit > 0 && printer.data_sit < next)
            next = printer.data_sit;
        if (!GRAVAREGISTRO("balcora", kSection, "Data Estoque", util::iso_date(next))) return false;
    }
    if (!publish_digest()) return false;
    set_status("");
    if (mode_ == ExportMode::kMenu)
        prompt().message("Aviso", "Estoque atualizado com sucesso!", ui::Icon::kInformation);
    return true;
}

bool StockExportScreen::export_company(std::int32_t company, util::DayNumber start,
                                       util::DayNumber& last_day) {
    RemoteWork work(db::report_in_sql_dialog);
    if (!work.begun()) return false;
    set_status("Excluindo movimento do estoque...");
    if (!db::run_sql(
            linked_exec("DELETE FROM gestao.estmovto WHERE id_empresa=" + std::to_string(company) +
                        " AND origem_prefixo='PDV' AND origem_id>=" + std::to_string(start) +
                        " AND origem_seq=" + std::to_string(printer_) + ";")))
        return false;
    set_status("Gerando movimento do estoque no Balcora...");
    // The checkout's sales of this company only: a second company gets its
    // own, not the first one's again.
    db::SqlRecord r;
    if (!db::read_rows("SELECT data,id_produto,sum(qtdade) FROM balcora.vmovestoque WHERE data>='" +
                           util::iso_date(start) + "' and id_produto is not null and id_empresa=" +
                           std::to_string(company) +
                           " GROUP BY data,id_produto ORDER BY data,id_produto;",
                       r))
        return false;
    std::string values;
    std::size_t pending = 0;
    util::DayNumber day = 0;
    int order = 0;
    auto flush = [&]() {
        if (pending == 0) return true;
        const bool ok =
            db::run_sql(linked_exec(kMovementInsert + values + ";"), report_refused_movement)
                .has_value();
        values.clear();
        pending = 0;
        return ok;
    };
    for (bool more = r.has_row(); more; more = r.next()) {
        const util::DayNumber row_day = util::parse_iso_date(r.C(1));
        order = row_day == day ? order + 1 : 1;
        day = row_day;
        const std::string id = std::to_string(util::read_integer(r.C(2)).value);
        const std::string quantity = util::to_plain(util::read_number<3>(r.C(3)).value);
        set_status("Atualizando estoque do produto # " + id + "...");
        if (!values.empty()) values += ", ";
        values +=
            movement_values(company, settings.local_estoque, id, day, quantity, order, printer_);
        if (++pending == kRowsPerStatement && !flush()) return false;
    }
    if (!flush()) return false;
    if (!work.commit(db::report_in_sql_dialog)) return false;
    if (day > last_day) last_day = day;
    return true;
}

bool StockExportScreen::copy_balances(std::int32_t company, util::DayNumber start) {
    set_status("Atualizando estoque no Balcora...");
    util::DayNumber from = start;
    db::SqlRecord r;
    if (mode_ == ExportMode::kDaily &&
        db::read_rows("SELECT dt_estoque FROM balcora.empresa WHERE id_empresa=" +
                          std::to_string(company) + ";",
                      r) &&
        r.has_row()) {
        const util::DayNumber stamped = util::parse_iso_date(r.C(1));
        if (stamped > 0 && stamped <= start) from = stamped;
    }
    const std::string balances = linked_select(
        "SELECT id_produto,qtdade,valor,data FROM gestao.estsaldo WHERE id_empresa=" +
            std::to_string(company) + " AND id_estlocal=" + std::to_string(settings.local_estoque) +
            " AND data>='" + util::iso_date(from) + "'",
        "s", {"id_produto", "qtdade", "valor", "data"});
    // Set-wise, in one local transaction: the back office's values are cast
    // by the server, never pasted into the statement.
    db::Transaction tx;
    if (!tx.begun()) return false;
    std::string update =
        "UPDATE balcora.produto p SET qtd_estoque=s.qtdade::numeric, vl_estoque=s.valor::numeric, "
        "dt_estoque=coalesce(nullif(s.data, '')::date, p.dt_estoque) FROM (" +
        balances.substr(0, balances.size() - 1) +
        ") s WHERE p.id_produto=s.id_produto::integer RETURNING p.id_produto;";
    auto changed = db::run_sql(update, [](const db::SqlFailure& f, std::string_view statement) {
        prompt().message("Erro/Produto", f.text + "|" + std::string(statement), ui::Icon::kError);
    });
    if (!changed) return false;
    std::string ids;
    for (int i = 0; i < changed->rows(); ++i)
        ids += (i ? "," : "") + std::to_string(util::read_integer(changed->value(i, 0)).value);
    if (!ids.empty() &&
        !db::run_sql("UPDATE balcora.produto SET hash=" + db::hash_expression("produto") +
                         " WHERE id_produto IN (" + ids + ");",
                     db::report_for_table("produto")))
        return false;
    if (mode_ == ExportMode::kDaily) {
        const platform::LocalTime now = clock().now();
        if (!db::run_sql("UPDATE balcora.empresa SET dt_estoque=" + DTSQL(today()) +
                             ", hr_estoque=" + TXTSQL(util::time_text(now)) +
                             " WHERE id_empresa=" + std::to_string(company) +
                             "; UPDATE balcora.empresa SET hash=" + db::hash_expression("empresa") +
                             " WHERE id_empresa=" + std::to_string(company) + ";",
                         db::report_for_table("empresa")))
            return false;
    }
    return tx.commit();
}

bool StockExportScreen::publish_digest() {
    set_status("Atualizando MD5...");
    std::string digest = util::trim(glo::md5exe);
    if (digest.empty()) digest = platform::md5_of_file(platform::own_executable());
    return exec_linked("DELETE FROM gestao.registro WHERE chave='PAFECF' AND nome='MD5';") &&
           exec_linked(
               "INSERT INTO gestao.registro (chave, nome, valor) VALUES ('PAFECF', "
               "'MD5', " +
               TXTSQL(util::cut_characters(digest, 32)) + ");");
}

}  // namespace balcora::backoffice
