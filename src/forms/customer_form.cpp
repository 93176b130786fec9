#include "forms/customer_form.h"

#include "db/literals.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "forms/form_saving.h"
#include "log/operation_log.h"
#include "ui/environment.h"
#include "util/documents.h"
#include "util/text.h"

namespace balcora::forms {

namespace {

std::string document_key(std::string_view cgcpf) {
    return util::to_upper_ascii(SOALFANUM(cgcpf));
}

std::string flag(bool on) {
    return on ? "1" : "0";
}

// The value as stored: trimmed and no longer than its column.
void fit(std::string& value, std::size_t width) {
    value = util::cut_characters(util::trim(value), width);
}

bool plausible_email(const std::string& e) {
    const auto at = e.find('@');
    return at != std::string::npos && at > 0 && at + 1 < e.size() &&
           e.find('@', at + 1) == std::string::npos && e.find(' ') == std::string::npos;
}

}  // namespace

bool CustomerForm::open_insert() {
    mode_ = FormMode::kInsert;
    record_ = {};
    const long long pessoa =
        read_ini_number("Clientes", "Pessoa", kNaturalPerson, "kontora2003.ini");
    record_.pesso = pessoa == kCompany ? kCompany : kNaturalPerson;
    municipio_.clear();
    uf_.clear();
    notice_.clear();
    focus_.reset();
    return true;
}

bool CustomerForm::open(FormMode mode, std::int32_t id_cliente) {
    if (mode == FormMode::kInsert) return open_insert();
    db::SqlRecord r;
    if (!db::read_row("SELECT id_cliente, ativo, pesso, consfinal, cgcpf, inscr, razao, nome, "
                      "ender, num_endereco, compl, bairr, cep, id_municipio, telef, e_mail "
                      "FROM balcora.cliente WHERE id_cliente=",
                      id_cliente, r)) {
        warn("Cliente não encontrado (código " + std::to_string(id_cliente) + ")!");
        return false;
    }
    auto number = [&r](int k) { return text_to_integer(r.C(k)); };
    auto text = [&r](int k) { return util::trim(r.C(k)); };
    record_ = {static_cast<std::int32_t>(number(1)),
               number(2) == 1,
               static_cast<int>(number(3)),
               number(4) == 1,
               text(5),
               text(6),
               text(7),
               text(8),
               text(9),
               text(10),
               text(11),
               text(12),
               text(13),
               static_cast<std::int32_t>(number(14)),
               text(15),
               text(16)};
    mode_ = mode;
    notice_.clear();
    if (mode_ == FormMode::kChange && id_cliente < kFirstCheckoutCustomer) {
        mode_ = FormMode::kView;
        notice_ = "Cliente cadastrado na retaguarda: somente consulta (altere-o na retaguarda).";
    }
    // A municipality missing here is shown blank; saving asks for one.
    db::SqlRecord m;
    QUERYSQL("SELECT nome, estado FROM balcora.municipio WHERE id_municipio=" +
                 std::to_string(record_.id_municipio) + ";",
             m);
    uf_ = util::trim(m.C(2));
    municipio_ = util::trim(m.C(1)) + (uf_.empty() ? "" : " - " + uf_);
    focus_.reset();
    return true;
}

bool CustomerForm::set_municipality(std::int32_t id_municipio) {
    record_.id_municipio = id_municipio;
    municipio_.clear();
    uf_.clear();
    if (id_municipio == 0) return true;
    db::SqlRecord m;
    if (!db::read_row(
            "SELECT nome, estado FROM balcora.municipio WHERE id_municipio=", id_municipio, m)) {
        return fail(CustomerField::kMunicipio,
                    "Município não cadastrado (código " + std::to_string(id_municipio) + ")!");
    }
    uf_ = util::trim(m.C(2));
    municipio_ = util::trim(m.C(1)) + (uf_.empty() ? "" : " - " + uf_);
    return true;
}

bool CustomerForm::fail(CustomerField field, const std::string& text) {
    focus_ = field;
    warn(text);
    return false;
}

bool CustomerForm::validate() {
    CustomerRecord& r = record_;
    if (r.pesso != kCompany && r.pesso != kNaturalPerson) {
        return fail(CustomerField::kPesso, "Tipo de pessoa inválido!");
    }
    const bool company = r.pesso == kCompany;
    r.cgcpf = util::trim(r.cgcpf);
    // The back office's update recognises a customer keyed here by this
    // number: without it the customer would stay twice.
    if (document_key(r.cgcpf).empty()) {
        return fail(CustomerField::kCgcpf,
                    company ? "Informe o CNPJ do cliente!" : "Informe o CPF do cliente!");
    }
    if (company ? !CNPJ(r.cgcpf) : !CPF(r.cgcpf)) {
        return fail(CustomerField::kCgcpf, company ? "CNPJ inválido!" : "CPF inválido!");
    }
    r.cgcpf = company ? util::format_cnpj(document_key(r.cgcpf))
                      : util::format_cpf(document_key(r.cgcpf));
    fit(r.razao, 65);
    if (r.razao.empty()) {
        return fail(CustomerField::kRazao,
                    company ? "Informe a Razão Social do cliente!" : "Informe o Nome do cliente!");
    }
    fit(r.nome, 40);
    if (r.nome.empty()) r.nome = util::cut_characters(r.razao, 40);
    fit(r.inscr, 18);
    fit(r.ender, 50);
    fit(r.num_endereco, 20);
    fit(r.compl_, 40);
    fit(r.bairr, 20);
    fit(r.telef, 35);
    fit(r.e_mail, 40);
    r.cep = util::trim(r.cep);
    if (!r.cep.empty()) {
        const std::string digits = SONUMEROS(r.cep);
        if (digits.size() != 8 || SOALFANUM(r.cep) != digits) {
            return fail(CustomerField::kCep, "CEP inválido!");
        }
        r.cep = digits.substr(0, 5) + "-" + digits.substr(5);
    }
    if (!r.e_mail.empty() && !plausible_email(r.e_mail)) {
        return fail(CustomerField::kEmail, "E-mail inválido!");
    }
    if (r.id_municipio == 0) {
        return fail(CustomerField::kMunicipio, "Informe o Município do cliente!");
    }
    return set_municipality(r.id_municipio);
}

// The unique key only sees the number as typed; the same CPF stored with and
// without punctuation would make two customers.
bool CustomerForm::document_free() {
    db::SqlRecord other;
    if (!db::read_rows("SELECT id_cliente, razao FROM balcora.cliente WHERE "
                       "UPPER(regexp_replace(cgcpf,'[^0-9A-Za-z]','','g'))=" +
                           TXTSQL(document_key(record_.cgcpf)) + " AND id_cliente<>" +
                           std::to_string(record_.id_cliente) + " ORDER BY id_cliente LIMIT 1;",
                       other)) {
        return false;
    }
    if (!other.has_row()) return true;
    return fail(CustomerField::kCgcpf, "CNPJ/CPF já cadastrado para o cliente " +
                                           util::trim(other.C(1)) + " - " + util::trim(other.C(2)) +
                                           "!");
}

bool CustomerForm::insert_row() {
    const std::string first = std::to_string(kFirstCheckoutCustomer);
    const std::string last = std::to_string(kCustomerPlaceholder - 1);
    // Other stations add customers too: the table stays locked until COMMIT
    // so two of them cannot take the same code.
    const char* lock = "LOCK TABLE balcora.cliente IN SHARE ROW EXCLUSIVE MODE;";
    db::SqlFailure locked;
    if (!db::run_sql(lock, db::keep_failure_in(locked))) {
        if (locked.sqlstate == "55P03") {
            warn(kLockedText);
        } else {
            db::report_in_sql_dialog(locked, lock);
        }
        return false;
    }
    // The next code above both the highest one keyed here and the sequence,
    // which the back office's loads (or a careless restore) may have left
    // anywhere, never below the checkout's range.
    const std::string next =
        QUERYSQL("SELECT setval('balcora.cliente_id_cliente_seq', GREATEST(" + first +
                 ", (SELECT max(id_cliente)+1 FROM balcora.cliente WHERE id_cliente BETWEEN " +
                 first + " AND " + last +
                 "), (SELECT CASE WHEN is_called THEN last_value+1 ELSE last_value END FROM "
                 "balcora.cliente_id_cliente_seq WHERE last_value<" +
                 last + ")));");
    const long long id = text_to_integer(next);
    if (id < kFirstCheckoutCustomer) return false;  // the failure was shown
    if (id >= kCustomerPlaceholder) {
        warn("Não há mais códigos livres para clientes cadastrados no PDV (" + first + " a " +
             last + ")!");
        return false;
    }
    const CustomerRecord& r = record_;
    const std::string statement =
        "INSERT INTO balcora.cliente (id_cliente, ativo, pesso, consfinal, cgcpf, inscr, razao, "
        "nome, ender, num_endereco, compl, bairr, cep, id_municipio, uf, telef, e_mail, data) "
        "VALUES (" +
        std::to_string(id) + ", " + flag(r.ativo) + ", " + std::to_string(r.pesso) + ", " +
        flag(r.consfinal) + ", " + TXTSQL(r.cgcpf) + ", " + TXTSQL(r.inscr) + ", " +
        TXTSQL(r.razao) + ", " + TXTSQL(r.nome) + ", " + TXTSQL(r.ender) + ", " +
        TXTSQL(r.num_endereco) + ", " + TXTSQL(r.compl_) + ", " + TXTSQL(r.bairr) + ", " +
        TXTSQL(r.cep) + ", " + std::to_string(r.id_municipio) + ", " + TXTSQL(uf_) + ", " +
        TXTSQL(r.telef) + ", " + TXTSQL(r.e_mail) + ", " + DTSQL(today()) + ");";
    db::SqlFailure failure;
    if (!db::run_sql(statement, db::keep_failure_in(failure))) {
        if (failure.sqlstate == "23505") {
            return fail(CustomerField::kCgcpf, "CNPJ/CPF já cadastrado para outro cliente!");
        }
        db::report_in_sql_dialog(failure, statement);
        return false;
    }
    record_.id_cliente = static_cast<std::int32_t>(id);
    return true;
}

bool CustomerForm::update_row() {
    const CustomerRecord& r = record_;
    const std::string statement =
        "UPDATE balcora.cliente SET ativo=" + flag(r.ativo) + ", pesso=" + std::to_string(r.pesso) +
        ", consfinal=" + flag(r.consfinal) + ", cgcpf=" + TXTSQL(r.cgcpf) +
        ", inscr=" + TXTSQL(r.inscr) + ", razao=" + TXTSQL(r.razao) + ", nome=" + TXTSQL(r.nome) +
        ", ender=" + TXTSQL(r.ender) + ", num_endereco=" + TXTSQL(r.num_endereco) +
        ", compl=" + TXTSQL(r.compl_) + ", bairr=" + TXTSQL(r.bairr) + ", cep=" + TXTSQL(r.cep) +
        ", id_municipio=" + std::to_string(r.id_municipio) + ", uf=" + TXTSQL(uf_) +
        ", telef=" + TXTSQL(r.telef) + ", e_mail=" + TXTSQL(r.e_mail) + ", data=" + DTSQL(today()) +
        " WHERE id_cliente=" + std::to_string(r.id_cliente) + " RETURNING id_cliente;";
    db::SqlFailure failure;
    const std::optional<db::PgResult> done = db::run_sql(statement, db::keep_failure_in(failure));
    if (!done) {
        if (failure.sqlstate == "23505") {
            return fail(CustomerField::kCgcpf, "CNPJ/CPF já cadastrado para outro cliente!");
        }
        if (failure.sqlstate == "55P03") {
            warn(kLockedText);
            return false;
        }
        db::report_in_sql_dialog(failure, statement);
        return false;
    }
    if (done->rows() == 0) {
        warn("Este cliente foi excluído por outra estação!");
        return false;
    }
    return true;
}

bool CustomerForm::store() {
    const bool inserting = mode_ == FormMode::kInsert;
    run_quietly("BEGIN;");
    // Another station holding the row or the table gets a moment, not forever.
    run_quietly("SET LOCAL lock_timeout='5s';");
    if (!(inserting ? insert_row() : update_row())) {
        run_quietly("ROLLBACK;");
        return false;
    }
    if (!run_quietly("COMMIT;")) {
        if (inserting) record_.id_cliente = 0;
        warn("Erro ao gravar o cliente: a transação não foi confirmada.");
        return false;
    }
    GRAVALOG(inserting ? "INC" : "ALT", "cliente", std::to_string(record_.id_cliente),
             record_.razao + " CNPJ/CPF: " + record_.cgcpf);
    return true;
}

bool CustomerForm::save() {
    focus_.reset();
    if (mode_ == FormMode::kView) return false;
    if (!validate() || !document_free() || !store()) return false;
    write_ini("Clientes", "Pessoa", std::to_string(record_.pesso), "kontora2003.ini");
    mode_ = FormMode::kChange;
    return true;
}

}  // namespace balcora::forms
