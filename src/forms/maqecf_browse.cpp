#include "forms/maqecf_browse.h"

#include "db/query_sql.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "forms/maqecf_choices.h"
#include "log/operation_log.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora::forms {

bool MaqecfBrowse::reload() {
    lines_.clear();
    const std::string statement =
        "SELECT id_maqecf, marca, modelo, porta_com, modelo_scanner, porta_com_scanner, "
        "num_serie FROM balcora.maqecf ORDER BY numero, id_maqecf;";
    const std::optional<db::PgResult> found = db::run_sql(statement);
    if (!found) return false;
    const db::PgResult& r = *found;
    auto number = [&](int row, int column) {
        return static_cast<int>(text_to_integer(r.value(row, column)));
    };
    for (int i = 0; i < r.rows(); ++i) {
        lines_.push_back({number(i, 0), util::trim(r.value(i, 1)), util::trim(r.value(i, 2)),
                          port_text(number(i, 3)), scanner_model_text(number(i, 4)),
                          port_text(number(i, 5)), util::trim(r.value(i, 6))});
    }
    return true;
}

std::optional<std::size_t> MaqecfBrowse::index_of(std::int32_t id_maqecf) const {
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (lines_[i].id_maqecf == id_maqecf) return i;
    }
    return std::nullopt;
}

bool MaqecfBrowse::remove(std::size_t index) {
    if (index >= lines_.size()) return false;
    const MaqecfLine line = lines_[index];
    const std::string id = std::to_string(line.id_maqecf);
    const long long issued = text_to_integer(
        QUERYSQL("SELECT (SELECT count(*) FROM balcora.cfiscal WHERE id_maqecf=" + id +
                 ") + (SELECT count(*) FROM balcora.reg60m WHERE id_maqecf=" + id +
                 ") + (SELECT count(*) FROM balcora.docecf WHERE id_maqecf=" + id + ");"));
    if (issued > 0) {
        prompt().message("Aviso",
                         "Esta Máquina ECF possui movimento fiscal (cupons, reduções Z ou "
                         "documentos) e não pode ser excluída!",
                         ui::Icon::kWarning);
        return false;
    }
    if (!prompt().confirm("Confirme", "Confirma a exclusão da Máquina ECF " + line.marca + " " +
                                          line.modelo + " (Nº Série " + line.num_serie + ")?")) {
        return false;
    }
    if (!db::execute("DELETE FROM balcora.maqecf WHERE id_maqecf=" + id + ";")) return false;
    GRAVALOG("EXC", "maqecf", id, "Nº Série: " + line.num_serie);
    reload();
    return true;
}

}  // namespace balcora::forms
