#include "forms/maqecf_form.h"

#include "db/literals.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/cp1252.h"
#include "ecf/fiscal_printer.h"
#include "forms/form_saving.h"
#include "forms/maqecf_choices.h"
#include "globals/globals.h"
#include "log/operation_log.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora::forms {

namespace {

// The record last saved: new records copy fields from it on request.
std::optional<MaqecfRecord>& last_saved() {
    static std::optional<MaqecfRecord> record;
    return record;
}

std::string key_field_name(std::string_view constraint) {
    if (constraint == "maqecf_keynumero") return "Número";
    if (constraint == "maqecf_keynum_serie") return "Nº de Série de Fabricação";
    return "Máquina ECF (PK)";
}

MaqecfField key_field(std::string_view constraint) {
    if (constraint == "maqecf_keynumero") return MaqecfField::kNumero;
    if (constraint == "maqecf_keynum_serie") return MaqecfField::kNumSerie;
    return MaqecfField::kIdMaqecf;
}

std::string duplicate_text(std::string_view constraint) {
    return "Chave duplicada: " + key_field_name(constraint) +
           "!|Já existe outra Máquina ECF com este valor.";
}

bool has_row(const std::string& statement) {
    db::SqlRecord r;
    return !QUERYSQL(statement, r).empty();
}

std::int32_t next_free(const char* column) {
    return static_cast<std::int32_t>(text_to_integer(QUERYSQL(
               std::string("SELECT coalesce(max(") + column + "),0) FROM balcora.maqecf;"))) +
           1;
}

}  // namespace

std::string PrinterModel::label() const {
    return util::trim(marca + " " + modelo + " " + versao);
}

void MaqecfForm::forget_last_saved() {
    last_saved().reset();
}

void MaqecfForm::load_models() {
    models_.clear();
    db::SqlRecord r;
    QUERYSQL(
        "SELECT cod_marca, cod_modelo, cod_versao, marca, modelo, versao FROM balcora.modecf "
        "ORDER BY marca, modelo, versao, id_modecf;",
        r);
    for (; r.has_row(); r.next()) {
        models_.push_back({static_cast<std::int32_t>(text_to_integer(r.C(1))),
                           static_cast<std::int32_t>(text_to_integer(r.C(2))),
                           static_cast<std::int32_t>(text_to_integer(r.C(3))), util::trim(r.C(4)),
                           util::trim(r.C(5)), util::trim(r.C(6))});
    }
}

std::string MaqecfForm::row_digest() const {
    return QUERYSQL("SELECT md5(m::text) FROM balcora.maqecf m WHERE id_maqecf=" +
                    std::to_string(record_.id_maqecf) + ";");
}

bool MaqecfForm::open_insert() {
    mode_ = FormMode::kInsert;
    record_ = {};
    record_.id_maqecf = next_free("id_maqecf");
    record_.numero = next_free("numero");
    record_.id_empresa = glo::id_empresa;
    record_.situacao = "F";
    record_.modelo_doc_fiscal = "2D";
    record_.porta_com = 1;
    loaded_digest_.clear();
    situation_revealed_ = false;
    focus_.reset();
    load_models();
    return true;
}

bool MaqecfForm::open(FormMode mode, std::int32_t id_maqecf) {
    if (mode == FormMode::kInsert) return open_insert();
    MaqecfRecord loaded;
    if (!ecf::load_maqecf_by_id(id_maqecf, loaded)) {
        warn("Máquina ECF não encontrada (código " + std::to_string(id_maqecf) + ")!");
        return false;
    }
    mode_ = mode;
    record_ = std::move(loaded);
    loaded_digest_ = row_digest();
    situation_revealed_ = false;
    focus_.reset();
    load_models();
    return true;
}

bool MaqecfForm::duplicate_field(MaqecfField field) {
    if (mode_ != FormMode::kInsert || !last_saved()) return false;
    const MaqecfRecord& from = *last_saved();
    switch (field) {
        case MaqecfField::kIdMaqecf:
            record_.id_maqecf = from.id_maqecf;
            break;
        case MaqecfField::kNumero:
            record_.numero = from.numero;
            break;
        case MaqecfField::kNumSerie:
            record_.num_serie = from.num_serie;
            break;
        case MaqecfField::kMarca:
            record_.marca = from.marca;
            record_.cod_marca = from.cod_marca;
            break;
        case MaqecfField::kModelo:
            record_.modelo = from.modelo;
            record_.cod_modelo = from.cod_modelo;
            record_.cod_versao = from.cod_versao;
            break;
        case MaqecfField::kDt1:
            record_.dt1 = from.dt1;
            break;
        case MaqecfField::kSituacao:
            record_.situacao = from.situacao;
            break;
        case MaqecfField::kDataSit:
            record_.data_sit = from.data_sit;
            break;
        case MaqecfField::kPortaCom:
            record_.porta_com = from.porta_com;
            break;
        case MaqecfField::kModeloScanner:
            record_.modelo_scanner = from.modelo_scanner;
            break;
        case MaqecfField::kPortaComScanner:
            record_.porta_com_scanner = from.porta_com_scanner;
            break;
        case MaqecfField::kNumCredEcf:
            record_.num_cred_ecf = from.num_cred_ecf;
            break;
    }
    return true;
}

void MaqecfForm::choose_model(std::size_t index) {
    if (index >= models_.size()) return;
    const PrinterModel& m = models_[index];
    record_.marca = m.marca;
    record_.modelo = m.modelo;
    record_.cod_marca = m.cod_marca;
    record_.cod_modelo = m.cod_modelo;
    record_.cod_versao = m.cod_versao;
}

std::optional<std::size_t> MaqecfForm::chosen_model() const {
    for (std::size_t i = 0; i < models_.size(); ++i) {
        const PrinterModel& m = models_[i];
        if (m.cod_marca == record_.cod_marca && m.cod_modelo == record_.cod_modelo &&
            m.cod_versao == record_.cod_versao) {
            return i;
        }
    }
    return std::nullopt;
}

bool MaqecfForm::fail(MaqecfField field, const std::string& text) {
    focus_ = field;
    warn(text);
    return false;
}

bool MaqecfForm::validate() {
    MaqecfRecord& r = record_;
    r.num_serie = util::trim(r.num_serie);
    r.marca = util::trim(r.marca);
    r.modelo = util::trim(r.modelo);
    if (r.id_maqecf <= 0) return fail(MaqecfField::kIdMaqecf, "Código da Máquina ECF inválido!");
    if (r.numero <= 0) return fail(MaqecfField::kNumero, "Informe o Número da Máquina ECF!");
    if (r.num_serie.empty()) {
        return fail(MaqecfField::kNumSerie, "Informe o Nº de Série de Fabricação!");
    }
    if (ecf::printer_length(r.num_serie) > 30) {
        return fail(MaqecfField::kNumSerie, "Nº de Série de Fabricação com mais de 30 caracteres!");
    }
    if (r.marca.empty() || ecf::printer_length(r.marca) > 30) {
        return fail(MaqecfField::kMarca, "Informe a Marca (até 30 caracteres)!");
    }
    if (r.modelo.empty() || ecf::printer_length(r.modelo) > 30) {
        return fail(MaqecfField::kModelo, "Informe o Modelo (até 30 caracteres)!");
    }
    if (r.situacao != "A" && r.situacao != "F") {
        return fail(MaqecfField::kSituacao, "Situação inválida!");
    }
    if (!is_choice(printer_port_choices(), r.porta_com)) {
        return fail(MaqecfField::kPortaCom, "Porta de comunicação inválida!");
    }
    if (!is_choice(scanner_model_choices(), r.modelo_scanner)) {
        return fail(MaqecfField::kModeloScanner, "Modelo de Scanner inválido!");
    }
    if (r.modelo_scanner != 0 && !is_choice(scanner_port_choices(), r.porta_com_scanner)) {
        return fail(MaqecfField::kPortaComScanner, "Porta de Comunicação do Scanner inválida!");
    }
    if (r.num_cred_ecf < 0 || r.num_cred_ecf > 999'999'999'999'999) {
        return fail(MaqecfField::kNumCredEcf, "Nº Credenciamento do ECF deve ter até 15 dígitos!");
    }
    return true;
}

// Duplicates are found before the printer is touched, so a refused key
// neither reconfigures the printer nor reports success.
bool MaqecfForm::keys_free() {
    const MaqecfRecord& r = record_;
    const std::string other = " AND id_maqecf<>" + std::to_string(r.id_maqecf);
    if (mode_ == FormMode::kInsert &&
        has_row("SELECT 1 FROM balcora.maqecf WHERE id_maqecf=" + std::to_string(r.id_maqecf))) {
        return fail(MaqecfField::kIdMaqecf, duplicate_text("pk_maqecf"));
    }
    if (r.dt1 > 0 && has_row("SELECT 1 FROM balcora.maqecf WHERE numero=" +
                             std::to_string(r.numero) + " AND dt1=" + DTSQL(r.dt1) + other)) {
        return fail(MaqecfField::kNumero, duplicate_text("maqecf_keynumero"));
    }
    if (has_row("SELECT 1 FROM balcora.maqecf WHERE num_serie=" + TXTSQL(r.num_serie) + other)) {
        return fail(MaqecfField::kNumSerie, duplicate_text("maqecf_keynum_serie"));
    }
    return true;
}

MaqecfForm::RowState MaqecfForm::check_row_unchanged() {
    if (mode_ != FormMode::kChange) return RowState::kUnchanged;
    const std::string id = std::to_string(record_.id_maqecf);
    const std::string statement =
        "SELECT md5(m::text) FROM balcora.maqecf m WHERE id_maqecf=" + id + " FOR UPDATE NOWAIT;";
    db::SqlFailure failure;
    run_quietly("BEGIN;");
    const std::optional<db::PgResult> found = db::run_sql(statement, db::keep_failure_in(failure));
    run_quietly("ROLLBACK;");
    if (!found) {
        if (failure.sqlstate == "55P03") {
            warn(kLockedText);
        } else {
            db::report_in_sql_dialog(failure, statement);
        }
        return RowState::kRefused;
    }
    const db::PgResult& r = *found;
    if (r.rows() == 0) {
        warn("Esta Máquina ECF foi excluída por outra estação!");
        return RowState::kRefused;
    }
    if (std::string(r.value(0, 0)) == loaded_digest_) return RowState::kUnchanged;
    if (prompt().confirm("Confirme",
                         "Registro alterado por outra estação.|Deseja gravar as suas alterações "
                         "mesmo assim?")) {
        return RowState::kChangedAccepted;
    }
    // Cancelled: show what the other station stored.
    ecf::load_maqecf_by_id(record_.id_maqecf, record_);
    loaded_digest_ = row_digest();
    return RowState::kRefused;
}

bool MaqecfForm::configure_printer() {
    // The driver reads the configuration to apply from the shared record and
    // may complete it (software version, for instance); what it leaves there
    // is what gets stored.
    rec::maqecf = record_;
    if (!ecf::printer().configure()) {
        warn("Erro ao comunicar com IF!");
        return false;
    }
    record_ = rec::maqecf;
    return true;
}

bool MaqecfForm::store() {
    const bool inserting = mode_ == FormMode::kInsert;
    const std::string id = std::to_string(record_.id_maqecf);
    const std::string statement =
        inserting ? "INSERT INTO balcora.maqecf (" + ecf::maqecf_columns() + ") VALUES (" +
                        ecf::maqecf_values(record_) + ");"
                  : "UPDATE balcora.maqecf SET " + ecf::maqecf_assignments(record_) +
                        " WHERE id_maqecf=" + id + ";";
    // Another station holding the row gets a moment to finish, not forever.
    db::SqlFailure failure;
    run_quietly("BEGIN;");
    run_quietly("SET LOCAL lock_timeout='5s';");
    if (!db::run_sql(statement, db::keep_failure_in(failure))) {
        run_quietly("ROLLBACK;");
        if (failure.sqlstate == "23505") {
            fail(key_field(failure.constraint), duplicate_text(failure.constraint));
        } else if (failure.sqlstate == "55P03") {
            warn(kLockedText);
        } else {
            db::report_in_sql_dialog(failure, statement);
        }
        return false;
    }
    // The database seals the row only on insert; a changed serial is sealed
    // here, in the same transaction.
    if (!db::store_hash("maqecf", record_.id_maqecf)) {
        run_quietly("ROLLBACK;");
        return false;
    }
    if (!run_quietly("COMMIT;")) {
        warn("Erro ao gravar a Máquina ECF: a transação não foi confirmada.");
        return false;
    }
    GRAVALOG(inserting ? "INC" : "ALT", "maqecf", id, "Nº Série: " + record_.num_serie);
    return true;
}

bool MaqecfForm::save() {
    focus_.reset();
    if (mode_ == FormMode::kView) return false;
    if (!validate() || !keys_free()) return false;
    if (check_row_unchanged() == RowState::kRefused) return false;
    if (!configure_printer() || !store()) return false;

    prompt().message("Aviso",
                     "Configurações da IF executadas com sucesso!|Favor reiniciar o aplicativo "
                     "antes de operar com a IF!",
                     ui::Icon::kInformation);
    if (!write_ini("PDV", "Configuração OK", "1", "balcora.ini")) {
        warn("Erro ao gravar o arquivo " + data_root().ini_file("balcora.ini").string());
    }
    ecf::printer().program_link();
    last_saved() = record_;
    mode_ = FormMode::kChange;
    loaded_digest_ = row_digest();
    return true;
}

}  // namespace balcora::forms
