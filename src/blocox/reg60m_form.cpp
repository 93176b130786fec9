#include "blocox/reg60m_form.h"

#include "blocox/stock_release.h"
#include "db/fiscal_write.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/maqecf_record.h"
#include "globals/globals.h"
#include "log/operation_log.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::blocox {

namespace {

using Info = Reg60mForm::FieldInfo;

constexpr std::array<Info, Reg60mForm::kFieldCount> kFields = {{
    {"Dt Movimento", "data", Info::kDate},
    {"Redução Z (CRZ)", "num_cont_red_z", Info::kNumber},
    {"Reinício (CRO)", "num_cont_reinicio", Info::kNumber},
    {"COO Inicial", "num_coo_inicial", Info::kNumber},
    {"COO Final", "num_coo_final", Info::kNumber},
    {"COO da Redução", "num_coo", Info::kNumber},
    {"Venda Bruta", "vl_venda_bruta", Info::kMoney},
    {"Grande Total", "vl_tot_geral", Info::kMoney},
    {"ICMS Debitado", "vl_icms_debitado", Info::kMoney},
    {"ISS Debitado", "vl_iss_debitado", Info::kMoney},
    {"Dt Emissão", "dt_emissao", Info::kDate},
    {"Hr Emissão", "hr_emissao", Info::kTime},
}};

std::string columns() {
    std::string out;
    for (const Info& f : kFields) out += std::string(out.empty() ? "" : ", ") + f.name;
    return out;
}

// A stored value as the field shows it.
std::string shown(const Info& f, std::string_view stored) {
    const std::string v = util::trim(stored);
    if (v.empty()) return v;
    switch (f.kind) {
        case Info::kDate: {
            const util::DayNumber d = util::parse_iso_date(v);
            return d > 0 ? util::br_date(d) : std::string();
        }
        case Info::kMoney: {
            const auto units = util::parse_units(v, 2, util::ExcessDecimals::kRoundHalfUp);
            return units ? util::format_units(*units, 2, ',', '.') : v;
        }
        default:
            return v;
    }
}

bool all_digits(std::string_view text) {
    if (text.empty() || text.size() > 9) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

// "hh:mm:ss" or "hh:mm" of a real time of day.
bool time_of_day(const std::string& t) {
    if (t.size() != 8 && t.size() != 5) return false;
    for (std::size_t i = 0; i < t.size(); ++i)
        if ((i % 3 == 2) ? t[i] != ':' : (t[i] < '0' || t[i] > '9')) return false;
    return std::stoi(t.substr(0, 2)) < 24 && std::stoi(t.substr(3, 2)) < 60 &&
           (t.size() == 5 || std::stoi(t.substr(6, 2)) < 60);
}

}  // namespace

const Reg60mForm::FieldInfo& Reg60mForm::info(Field f) {
    return kFields[static_cast<std::size_t>(f)];
}

bool Reg60mForm::open_insert() {
    MaqecfRecord printer;
    if (!ecf::load_maqecf_by_serial(glo::numfab, printer)) {
        prompt().message("Aviso",
                         "Máquina ECF não encontrada do BD!|Número Fabricação: " + glo::numfab,
                         ui::Icon::kWarning);
        return false;
    }
    mode_ = forms::FormMode::kInsert;
    id_ = 0;
    id_maqecf_ = printer.id_maqecf;
    id_empresa_ = printer.id_empresa;
    sit_blocox_ = "P";
    rec_blocox_.clear();
    values = {};
    values[kData] = util::br_date(today());
    return true;
}

bool Reg60mForm::open(forms::FormMode mode, std::int32_t id_reg60m) {
    db::SqlRecord r;
    if (!db::read_row("SELECT " + columns() +
                          ", sit_blocox, rec_blocox, id_maqecf, id_empresa FROM balcora.reg60m "
                          "WHERE id_reg60m=",
                      id_reg60m, r)) {
        prompt().message("Aviso", "Registro não encontrado!", ui::Icon::kWarning);
        return false;
    }
    for (int k = 0; k < kFieldCount; ++k)
        values[static_cast<std::size_t>(k)] =
            shown(kFields[static_cast<std::size_t>(k)], r.C(k + 1));
    sit_blocox_ = util::trim(r.C(kFieldCount + 1));
    rec_blocox_ = util::trim(r.C(kFieldCount + 2));
    id_maqecf_ = static_cast<std::int32_t>(text_to_integer(r.C(kFieldCount + 3)));
    id_empresa_ = static_cast<std::int32_t>(text_to_integer(r.C(kFieldCount + 4)));
    id_ = id_reg60m;
    mode_ = mode;
    if (mode_ == forms::FormMode::kChange && !sit_blocox_.empty() && sit_blocox_ != "P") {
        prompt().message("Aviso", "Redução Z já transmitida ao Fisco: somente consulta.",
                         ui::Icon::kInformation);
        mode_ = forms::FormMode::kView;
    }
    return true;
}

std::string Reg60mForm::situacao() const {
    return blocox_state_text(sit_blocox_);
}

bool Reg60mForm::refuse(Field f, const std::string& text) {
    focus_ = f;
    prompt().message("Aviso", text, ui::Icon::kWarning);
    return false;
}

// Every value checked and turned into its SQL form.
bool Reg60mForm::validate(std::array<std::string, kFieldCount>& sql) {
    for (int k = 0; k < kFieldCount; ++k) {
        const Field f = static_cast<Field>(k);
        const Info& i = info(f);
        const std::string v = util::trim(values[static_cast<std::size_t>(k)]);
        std::string& out = sql[static_cast<std::size_t>(k)];
        switch (i.kind) {
            case Info::kDate: {
                const util::DayNumber d = util::parse_br_date(v);
                // The emission date is under the row's hash: a day not yet
                // reduced keeps the cleared day, never Null.
                if (v.empty() && f != kData) {
                    out = f == kDtEmissao ? DTSQL_HASHED(0) : "Null";
                    break;
                }
                if (d <= 0) return refuse(f, std::string(i.label) + ": data inválida!");
                out = DTSQL(d);
                break;
            }
            case Info::kNumber:
                if (!v.empty() && !all_digits(v))
                    return refuse(f, std::string(i.label) + ": número inválido!");
                out = v.empty() ? "0" : std::to_string(std::stol(v));
                break;
            case Info::kMoney: {
                const auto units =
                    util::parse_units(v.empty() ? "0" : v, 2, util::ExcessDecimals::kRefuse);
                if (!units) return refuse(f, std::string(i.label) + ": valor inválido!");
                out = util::format_units(*units, 2, '.', 0);
                break;
            }
            case Info::kTime:
                if (!v.empty() && !time_of_day(v))
                    return refuse(f, std::string(i.label) + ": hora inválida (hh:mm:ss)!");
                out = v.empty() ? "'00:00:00'" : TXTSQL(v);
                break;
        }
    }
    return true;
}

bool Reg60mForm::save() {
    focus_.reset();
    if (read_only()) return true;
    std::array<std::string, kFieldCount> sql;
    if (!validate(sql)) return false;
    const std::string taken = QUERYSQL(
        "SELECT id_reg60m FROM balcora.reg60m WHERE id_maqecf=" + std::to_string(id_maqecf_) +
        " AND data=" + sql[kData] + " AND id_reg60m<>" + std::to_string(id_) + ";");
    if (!taken.empty())
        return refuse(kData,
                      "Já existe Redução Z do dia " + values[kData] + " para esta impressora!");

    const bool inserting = mode_ == forms::FormMode::kInsert;
    std::string statement;
    if (inserting) {
        statement = "INSERT INTO balcora.reg60m (id_empresa, id_maqecf, sit_blocox, " + columns() +
                    ") VALUES (" + std::to_string(id_empresa_) + ", " + std::to_string(id_maqecf_) +
                    ", 'P'";
        for (const std::string& v : sql) statement += ", " + v;
        statement += ") RETURNING id_reg60m;";
    } else {
        statement = "UPDATE balcora.reg60m SET ";
        for (int k = 0; k < kFieldCount; ++k)
            statement += std::string(k ? ", " : "") + kFields[static_cast<std::size_t>(k)].name +
                         "=" + sql[static_cast<std::size_t>(k)];
        // Only while pending: a row sent meanwhile stays as the authority has it.
        statement += " WHERE id_reg60m=" + std::to_string(id_) +
                     " AND coalesce(sit_blocox,'P')='P' RETURNING id_reg60m;";
    }
    // The row and its hash together: the database seals a row only when it
    // is inserted.
    db::Transaction tx;
    if (!tx.begun()) return false;
    const std::string id = QUERYSQL(statement);
    if (id.empty()) {
        if (!inserting)
            prompt().message("Aviso", "Redução Z não foi alterada: já transmitida ao Fisco.",
                             ui::Icon::kWarning);
        return false;
    }
    if (!db::store_hash("reg60m", text_to_integer(id)) || !tx.commit()) return false;
    id_ = static_cast<std::int32_t>(text_to_integer(id));
    GRAVALOG(inserting ? "INC" : "ALT", "reg60m", id, "DT EMISS:" + values[kDtEmissao]);
    if (inserting) mode_ = forms::FormMode::kChange;
    return true;
}

bool Reg60mForm::remove(std::int32_t id_reg60m) {
    db::SqlRecord r;
    if (!db::read_row("SELECT data, sit_blocox, dt_emissao FROM balcora.reg60m WHERE id_reg60m=",
                      id_reg60m, r)) {
        prompt().message("Aviso", "Registro não encontrado!", ui::Icon::kWarning);
        return false;
    }
    const std::string day = shown(kFields[kData], r.C(1));
    const std::string state = util::trim(r.C(2));
    const std::string emitted = shown(kFields[kDtEmissao], r.C(3));
    if (!state.empty() && state != "P") {
        prompt().message("Aviso", "Redução Z já transmitida ao Fisco não pode ser excluída!",
                         ui::Icon::kWarning);
        return false;
    }
    if (!prompt().confirm("Confirme", "Confirma exclusão da Redução Z do dia " + day + "?"))
        return false;
    const std::string id = std::to_string(id_reg60m);
    db::SqlFailure failure;
    if (!db::run_sql("BEGIN; DELETE FROM balcora.reg60a WHERE id_reg60m=" + id +
                         "; DELETE FROM balcora.reg60m WHERE id_reg60m=" + id +
                         " AND coalesce(sit_blocox,'P')='P'; COMMIT;",
                     db::keep_failure_in(failure))) {
        db::run_sql("ROLLBACK;", db::report_nothing);
        prompt().message("Erro (" + failure.sqlstate + ")/reg60m", failure.text, ui::Icon::kError);
        return false;
    }
    GRAVALOG("EXC", "reg60m", id, "DT EMISS:" + emitted);
    return true;
}

}  // namespace balcora::blocox
