#include "access/access_control.h"

#include "db/literals.h"
#include "db/sql_runner.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/text.h"

#include <cstdio>
#include <cstdlib>

namespace balcora::access {

namespace {

constexpr const char* kCaption = "Aviso";
constexpr std::size_t kAppNameDescMax = 20;
constexpr std::size_t kProcedureMaxChars = 40;
constexpr const char* kOperatorColumns =
    "id_operador, login, nome, ativo, administrador, to_char(criado,'YYYY-MM-DD HH24:MI:SS'), "
    "to_char(alterado,'YYYY-MM-DD HH24:MI:SS')";

struct Session {
    int handle = 0;
    int operator_id = 0;
    std::string login;
    std::string name;
};

Session& session() {
    static Session s;
    return s;
}

int& last_handle() {
    static int h = 0;
    return h;
}

void refuse(const std::string& text) {
    prompt().message(kCaption, text, ui::Icon::kWarning);
}

// Characters of a UTF-8 text; empty when it is not valid UTF-8.
std::optional<std::size_t> utf8_chars(std::string_view s) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < s.size(); ++count) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80           ? 1
                          : (c >> 5) == 0x6  ? 2
                          : (c >> 4) == 0xe  ? 3
                          : (c >> 3) == 0x1e ? 4
                                             : 0;
        if (len == 0 || i + len > s.size()) return std::nullopt;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xc0) != 0x80) return std::nullopt;
        i += len;
    }
    return count;
}

bool has_control_characters(std::string_view s) {
    for (unsigned char c : s)
        if (c < 0x20 || c == 0x7f) return true;
    return false;
}

std::string now_literal() {
    const auto t = clock().now();
    char buf[32];
    std::snprintf(buf, sizeof buf, "'%04d-%02d-%02d %02d:%02d:%02d'", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    return buf;
}

Operator operator_from(const db::PgResult& r, int row) {
    Operator op;
    op.id = std::atoi(std::string(r.value(row, 0)).c_str());
    op.login = r.value(row, 1);
    op.name = r.value(row, 2);
    op.active = r.value(row, 3) == "1";
    op.administrator = r.value(row, 4) == "1";
    op.created = r.value(row, 5);
    op.changed = r.value(row, 6);
    return op;
}

std::optional<Operator> first_operator(const std::string& where) {
    auto r = db::run_sql(std::string("SELECT ") + kOperatorColumns +
                         " FROM balcora.operador WHERE " + where + ";");
    if (!r || r->rows() == 0) return std::nullopt;
    return operator_from(*r, 0);
}

// Active administrators other than the operator given.
int other_active_administrators(int id) {
    auto r = db::run_sql(
        "SELECT count(*) FROM balcora.operador WHERE administrador=1 AND ativo=1 AND "
        "id_operador<>" +
        std::to_string(id) + ";");
    // An unreadable count protects the administrator: nothing is removed.
    return r && r->rows() > 0 ? std::atoi(std::string(r->value(0, 0)).c_str()) : 0;
}

bool login_taken(const std::string& login, int except_id) {
    auto r = db::run_sql("SELECT 1 FROM balcora.operador WHERE lower(login)=lower(" +
                         TXTSQL(login) + ") AND id_operador<>" + std::to_string(except_id) + ";");
    return !r || r->rows() > 0;
}

// An operator with its stored digest.
struct Credentials {
    Operator op;
    PasswordDigest digest;
};

enum class Lookup { kFound, kMissing, kFailed };

Lookup find_credentials(const std::string& where, Credentials& out) {
    auto r = db::run_sql(std::string("SELECT ") + kOperatorColumns +
                         ", senha_hash, senha_sal, senha_iteracoes FROM balcora.operador WHERE " +
                         where + ";");
    if (!r) return Lookup::kFailed;
    if (r->rows() == 0) return Lookup::kMissing;
    out.op = operator_from(*r, 0);
    out.digest.hash_hex = r->value(0, 7);
    out.digest.salt_hex = r->value(0, 8);
    out.digest.iterations = std::atoi(std::string(r->value(0, 9)).c_str());
    return Lookup::kFound;
}

// A digest that matches nothing typed, verified for unknown logins so that
// the answer takes as long as for a known one.
const PasswordDigest& decoy_digest() {
    static const PasswordDigest d = hash_password("\x01").value_or(
        PasswordDigest{std::string(64, '0'), std::string(32, '0'), kPasswordIterations});
    return d;
}

bool store_digest(int id, const PasswordDigest& d) {
    auto r = db::run_sql("UPDATE balcora.operador SET senha_hash=" + TXTSQL(d.hash_hex) +
                         ", senha_sal=" + TXTSQL(d.salt_hex) + ", senha_iteracoes=" +
                         std::to_string(d.iterations) + ", alterado=" + now_literal() +
                         " WHERE id_operador=" + std::to_string(id) + " RETURNING id_operador;");
    return r && r->rows() > 0;
}

enum class Check { kMatch, kRefused, kFailed };

// The operator a login and password name, when it is active and the password
// matches; an outdated digest is renewed on the way.
Check authenticate(std::string_view login_typed, std::string_view password, Operator& out) {
    const std::string login = util::trim(login_typed);
    auto chars = utf8_chars(login);
    if (login.empty() || !chars || *chars > kLoginMaxChars || has_control_characters(login) ||
        password.size() > 4 * kPasswordMaxChars) {
        verify_password(password.substr(0, 4 * kPasswordMaxChars), decoy_digest());
        return Check::kRefused;
    }
    Credentials c;
    switch (find_credentials("lower(login)=lower(" + TXTSQL(login) + ")", c)) {
        case Lookup::kFailed:
            return Check::kFailed;
        case Lookup::kMissing:
            verify_password(password, decoy_digest());
            return Check::kRefused;
        case Lookup::kFound:
            break;
    }
    if (!verify_password(password, c.digest) || !c.op.active) return Check::kRefused;
    if (c.digest.iterations < kPasswordIterations)
        if (auto renewed = hash_password(password)) store_digest(c.op.id, *renewed);
    out = c.op;
    return Check::kMatch;
}

void take_over_session(const Operator& op) {
    Session& s = session();
    s.operator_id = op.id;
    s.login = op.login;
    s.name = op.name;
    // A login has at most 20 characters (the column), as glo::nome_operador.
    glo::nome_operador = op.login;
}

// The bits an operator holds for a procedure: every bit for an active
// administrator, none for an inactive operator when only_active is set.
// nullopt when the database could not answer (the SQL error was shown).
std::optional<std::uint8_t> held_bits(int operator_id, std::string_view procedure,
                                      bool only_active) {
    auto r = db::run_sql(
        std::string("SELECT CASE WHEN o.ativo<>1 AND ") + (only_active ? "true" : "false") +
        " THEN 0 WHEN o.administrador=1 AND o.ativo=1 THEN 255 ELSE COALESCE((SELECT "
        "d.bits FROM balcora.direito d WHERE d.id_operador=o.id_operador AND "
        "lower(d.procedimento)=lower(" +
        TXTSQL(procedure) + ")),0) END FROM balcora.operador o WHERE o.id_operador=" +
        std::to_string(operator_id) + ";");
    if (!r) return std::nullopt;
    if (r->rows() == 0) return 0;
    return static_cast<std::uint8_t>(std::atoi(std::string(r->value(0, 0)).c_str()) & 0xff);
}

const std::vector<RightName> kAccessSupervisor = {{kRightAccess, "Access", "Acesso"},
                                                  {kRightSupervisor, "Supervisor", "Supervisor"}};
const std::vector<RightName> kAccessOnly = {{kRightAccess, "Access", "Acesso"}};

std::string labels_of(std::string_view procedure, std::uint8_t bits) {
    const ProcedureRights* p = find_procedure(procedure);
    const std::vector<RightName>& names = p ? p->rights : kAccessSupervisor;
    std::string out;
    for (const RightName& r : names)
        if (bits & r.bit) out += (out.empty() ? "" : " e ") + std::string(r.label);
    return out.empty() ? "Acesso" : out;
}

}  // namespace

// ---- operators ------------------------------------------------------------

bool has_operators() {
    auto r = db::run_sql("SELECT 1 FROM balcora.operador LIMIT 1;");
    return r && r->rows() > 0;
}

std::vector<Operator> list_operators() {
    std::vector<Operator> out;
    auto r = db::run_sql(std::string("SELECT ") + kOperatorColumns +
                         " FROM balcora.operador ORDER BY lower(login);");
    if (!r) return out;
    for (int i = 0; i < r->rows(); ++i) out.push_back(operator_from(*r, i));
    return out;
}

std::optional<Operator> find_operator(int id) {
    return first_operator("id_operador=" + std::to_string(id));
}

std::optional<Operator> find_operator_by_login(std::string_view login) {
    return first_operator("lower(login)=lower(" + TXTSQL(util::trim(login)) + ")");
}

std::string login_problem(std::string_view login) {
    const std::string t = util::trim(login);
    if (t.empty()) return "Informe o login!";
    auto chars = utf8_chars(t);
    if (!chars || has_control_characters(t) || t.find_first_of(" \t") != std::string::npos)
        return "O login contém caracteres inválidos (espaços não são permitidos)!";
    if (*chars > kLoginMaxChars)
        return "O login deve ter no máximo " + std::to_string(kLoginMaxChars) + " caracteres!";
    return {};
}

std::string name_problem(std::string_view name) {
    const std::string t = util::trim(name);
    if (t.empty()) return "Informe o nome!";
    auto chars = utf8_chars(t);
    if (!chars || has_control_characters(t)) return "O nome contém caracteres inválidos!";
    if (*chars > kNameMaxChars)
        return "O nome deve ter no máximo " + std::to_string(kNameMaxChars) + " caracteres!";
    return {};
}

std::string password_problem(std::string_view password) {
    if (util::trim(password).empty()) return "Informe a senha!";
    auto chars = utf8_chars(password);
    if (!chars || has_control_characters(password)) return "A senha contém caracteres inválidos!";
    if (*chars < kPasswordMinChars || *chars > kPasswordMaxChars)
        return "A senha deve ter de " + std::to_string(kPasswordMinChars) + " a " +
               std::to_string(kPasswordMaxChars) + " caracteres!";
    return {};
}

std::string new_password_problem(std::string& password, std::string& confirmation) {
    std::string problem = password_problem(password);
    if (problem.empty() && password != confirmation) {
        problem = "As senhas não conferem!";
        password.clear();
    }
    if (!problem.empty()) confirmation.clear();
    return problem;
}

int create_operator(const Operator& data, std::string_view password) {
    for (const std::string& problem :
         {login_problem(data.login), name_problem(data.name), password_problem(password)})
        if (!problem.empty()) {
            refuse(problem);
            return 0;
        }
    const std::string login = util::trim(data.login);
    if (login_taken(login, 0)) {
        refuse("Login já cadastrado: " + login + "!");
        return 0;
    }
    auto digest = hash_password(password);
    if (!digest) {
        prompt().message("Erro", "Erro ao gerar o código da senha!", ui::Icon::kError);
        return 0;
    }
    const std::string now = now_literal();
    auto r = db::run_sql(
        "INSERT INTO balcora.operador (login, nome, senha_hash, senha_sal, "
        "senha_iteracoes, ativo, administrador, criado, alterado) VALUES (" +
        TXTSQL(login) + ", " + TXTSQL(util::trim(data.name)) + ", " + TXTSQL(digest->hash_hex) +
        ", " + TXTSQL(digest->salt_hex) + ", " + std::to_string(digest->iterations) + ", " +
        (data.active ? "1" : "0") + ", " + (data.administrator ? "1" : "0") + ", " + now + ", " +
        now + ") RETURNING id_operador;");
    if (!r || r->rows() == 0) return 0;
    return std::atoi(std::string(r->value(0, 0)).c_str());
}

bool update_operator(const Operator& data) {
    for (const std::string& problem : {login_problem(data.login), name_problem(data.name)})
        if (!problem.empty()) {
            refuse(problem);
            return false;
        }
    auto existing = find_operator(data.id);
    if (!existing) {
        refuse("Usuário não encontrado!");
        return false;
    }
    const bool is_current = signed_in() && data.id == current_operator_id();
    if (is_current && !data.active) {
        refuse("Não é possível desativar o próprio usuário!");
        return false;
    }
    if (is_current && existing->administrator && !data.administrator) {
        refuse("Não é possível retirar a administração do próprio usuário!");
        return false;
    }
    const bool loses_administration =
        existing->administrator && existing->active && !(data.administrator && data.active);
    if (loses_administration && other_active_administrators(data.id) == 0) {
        refuse(
            "O último administrador ativo não pode ser desativado nem perder a "
            "administração!");
        return false;
    }
    const std::string login = util::trim(data.login);
    if (login_taken(login, data.id)) {
        refuse("Login já cadastrado: " + login + "!");
        return false;
    }
    auto r = db::run_sql(
        "UPDATE balcora.operador SET login=" + TXTSQL(login) +
        ", nome=" + TXTSQL(util::trim(data.name)) + ", ativo=" + (data.active ? "1" : "0") +
        ", administrador=" + (data.administrator ? "1" : "0") + ", alterado=" + now_literal() +
        " WHERE id_operador=" + std::to_string(data.id) + " RETURNING id_operador;");
    if (!r || r->rows() == 0) return false;
    if (is_current) take_over_session(*find_operator(data.id));
    return true;
}

bool set_operator_password(int id, std::string_view password) {
    if (auto problem = password_problem(password); !problem.empty()) {
        refuse(problem);
        return false;
    }
    auto digest = hash_password(password);
    if (!digest) {
        prompt().message("Erro", "Erro ao gerar o código da senha!", ui::Icon::kError);
        return false;
    }
    if (!store_digest(id, *digest)) {
        refuse("Usuário não encontrado!");
        return false;
    }
    return true;
}

bool delete_operator(int id) {
    auto existing = find_operator(id);
    if (!existing) {
        refuse("Usuário não encontrado!");
        return false;
    }
    if (signed_in() && id == current_operator_id()) {
        refuse("Não é possível excluir o próprio usuário!");
        return false;
    }
    if (existing->administrator && existing->active && other_active_administrators(id) == 0) {
        refuse("Não é possível excluir o último administrador ativo!");
        return false;
    }
    auto r = db::run_sql("DELETE FROM balcora.operador WHERE id_operador=" + std::to_string(id) +
                         " RETURNING id_operador;");
    return r && r->rows() > 0;
}

bool ensure_demo_operator() {
    if (find_operator_by_login("demo")) return true;
    Operator demo;
    demo.login = "demo";
    demo.name = "Operador Demonstração";
    demo.administrator = true;
    return create_operator(demo, "demo") != 0;
}

// ---- rights ---------------------------------------------------------------

const std::vector<ProcedureRights>& procedures_with_rights() {
    static const std::vector<ProcedureRights> list = {
        {"QuickSale", "Quick Sale - Venda Rápida", kAccessSupervisor},
        {"BrwCFiscal", "Cupom Fiscal", kAccessSupervisor},
        {"FuncoesMaqECF", "Funções ECF", kAccessSupervisor},
        {"MenuFiscal", "Menu Fiscal", kAccessOnly},
        {"FuncaoTEF", "Administração TEF", kAccessOnly},
        {"Configuracao", "Configurações", kAccessOnly},
        {"CadastroUsuarios", "Cadastro Usuários", kAccessOnly},
        {"CopiaDeSeguranca", "Cópia de Segurança", kAccessOnly},
        {"BrowseMaqECF", "Máquina ECF", kAccessSupervisor},
        {"BrowseReg60m", "Envio Redução Z - Bloco X", kAccessSupervisor},
        {"BrowseLibEnvEst", "Envio Estoque - Bloco X", kAccessSupervisor},
        {"RelCFiscal", "Relatórios - Movimento", kAccessOnly},
        {"MenuLog", "Log de Operações", kAccessOnly},
    };
    return list;
}

const ProcedureRights* find_procedure(std::string_view procedure) {
    const std::string wanted = util::to_lower_ascii(procedure);
    for (const ProcedureRights& p : procedures_with_rights())
        if (util::to_lower_ascii(p.procedure) == wanted) return &p;
    return nullptr;
}

std::uint8_t rights_of(int operator_id, std::string_view procedure) {
    return held_bits(operator_id, procedure, false).value_or(0);
}

bool set_rights(int operator_id, std::string_view procedure_typed, std::uint8_t bits) {
    const std::string procedure = util::trim(procedure_typed);
    auto chars = utf8_chars(procedure);
    if (procedure.empty() || !chars || *chars > kProcedureMaxChars ||
        has_control_characters(procedure)) {
        refuse("Nome de procedimento inválido!");
        return false;
    }
    if (!find_operator(operator_id)) {
        refuse("Usuário não encontrado!");
        return false;
    }
    const std::string id = std::to_string(operator_id);
    if (bits == 0)
        return db::run_sql("DELETE FROM balcora.direito WHERE id_operador=" + id +
                           " AND lower(procedimento)=lower(" + TXTSQL(procedure) + ");")
            .has_value();
    return db::run_sql("INSERT INTO balcora.direito (id_operador, procedimento, bits) VALUES (" +
                       id + ", " + TXTSQL(procedure) + ", " + std::to_string(bits) +
                       ") ON CONFLICT (id_operador, lower(procedimento)) DO UPDATE SET "
                       "bits=EXCLUDED.bits, procedimento=EXCLUDED.procedimento;")
        .has_value();
}

bool has_right(std::string_view procedure, std::uint8_t bits) {
    return signed_in() &&
           (held_bits(current_operator_id(), procedure, true).value_or(0) & bits) == bits;
}

bool require_right(std::string_view procedure, std::uint8_t bits) {
    if (!signed_in()) {
        refuse("Acesso negado!|Nenhum usuário identificado.");
        return false;
    }
    const auto held = held_bits(current_operator_id(), procedure, true);
    // A database that did not answer is no refusal of the operator's rights:
    // its error was shown as such.
    if (!held) return false;
    if ((*held & bits) == bits) return true;
    const ProcedureRights* p = find_procedure(procedure);
    refuse("Acesso negado!|O usuário " + current_login() + " não tem permissão de " +
           labels_of(procedure, bits) + " em \"" + (p ? p->title : std::string(procedure)) + "\".");
    return false;
}

// ---- the sign-in ----------------------------------------------------------

bool initialise_access_control(std::string_view system_name) {
    AppNameDesc = std::string(system_name.substr(0, kAppNameDescMax));
    auto unavailable = [](const db::SqlFailure& f, std::string_view) {
        prompt().message("Erro",
                         f.no_connection
                             ? "Dados de segurança indisponíveis: sem conexão com o banco de dados!"
                             : "Dados de segurança indisponíveis (tabelas de usuários):|" + f.text,
                         ui::Icon::kError);
    };
    return db::run_sql(
               "SELECT (SELECT count(*) FROM balcora.operador), "
               "(SELECT count(*) FROM balcora.direito);",
               unavailable)
        .has_value();
}

SignInResult sign_in_operator(std::string_view login, std::string_view password) {
    Operator op;
    switch (authenticate(login, password, op)) {
        case Check::kFailed:
            return SignInResult::kFailed;
        case Check::kRefused:
            return SignInResult::kRefused;
        case Check::kMatch:
            break;
    }
    if (++last_handle() <= 0) last_handle() = 1;
    session().handle = last_handle();
    AppNumQueue = last_handle();
    take_over_session(op);
    return SignInResult::kSignedIn;
}

void sign_out() {
    session() = Session{};
    AppNumQueue = 0;
    glo::nome_operador.clear();
}

bool signed_in() {
    return AppNumQueue != 0 && AppNumQueue == session().handle;
}

int current_operator_id() {
    return signed_in() ? session().operator_id : 0;
}

std::string current_login() {
    return signed_in() ? session().login : std::string();
}

std::string current_name() {
    return signed_in() ? session().name : std::string();
}

bool current_is_administrator() {
    if (!signed_in()) return false;
    auto op = find_operator(current_operator_id());
    return op && op->active && op->administrator;
}

bool current_password_matches(std::string_view password) {
    if (!signed_in()) return false;
    Credentials c;
    if (find_credentials("id_operador=" + std::to_string(session().operator_id), c) !=
        Lookup::kFound)
        return false;
    return verify_password(password, c.digest);
}

int change_login(int handle, std::string_view login, std::string_view password) {
    if (handle == 0 || !signed_in() || handle != session().handle) {
        refuse("Nenhum usuário identificado para a troca!");
        return kLoginNotSignedIn;
    }
    Operator op;
    switch (authenticate(login, password, op)) {
        case Check::kFailed:
            return kLoginRefused;  // the SQL error was shown
        case Check::kRefused:
            refuse(kInvalidLoginMessage);
            return kLoginRefused;
        case Check::kMatch:
            break;
    }
    take_over_session(op);
    return kLoginChanged;
}

}  // namespace balcora::access
