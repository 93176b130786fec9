#pragma once

#include "access/password_digest.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// Operators, their passwords and their rights per procedure, and the one
// sign-in of the process. The data lives in balcora.operador and
// balcora.direito on the process connection; every refusal is shown through
// the prompt port and changes nothing.
namespace balcora::access {

// ---- operators ------------------------------------------------------------

// Limits of what an operator types; a login fits the change-login window.
inline constexpr int kLoginMaxChars = 12;
inline constexpr int kPasswordMinChars = 4;
inline constexpr int kPasswordMaxChars = 12;
inline constexpr int kNameMaxChars = 60;

struct Operator {
    int id = 0;
    std::string login;
    std::string name;
    bool active = true;
    bool administrator = false;
    std::string created;  // YYYY-MM-DD HH:MM:SS
    std::string changed;
};

// True when at least one operator exists (active or not); false also when
// the table cannot be read.
bool has_operators();
std::vector<Operator> list_operators();
std::optional<Operator> find_operator(int id);
std::optional<Operator> find_operator_by_login(std::string_view login);

// The first refusal of a login, name or password, as the operator reads it;
// empty when the value is acceptable.
std::string login_problem(std::string_view login);
std::string name_problem(std::string_view name);
std::string password_problem(std::string_view password);
// A new password typed twice: its problem, else "As senhas não conferem!" when
// the two differ. A refused password loses its confirmation, a mismatch both,
// for the operator to type them again.
std::string new_password_problem(std::string& password, std::string& confirmation);

// Creates an operator (login trimmed); shows why when it refuses. The new id,
// or 0. Runs as single statements, so it may sit inside a caller's
// transaction.
int create_operator(const Operator& data, std::string_view password);
// Stores login, name, active and administrator of data.id. Refuses to
// deactivate or demote the operator signed in or the last active
// administrator.
bool update_operator(const Operator& data);
bool set_operator_password(int id, std::string_view password);
// Removes the operator and its rights; never the operator signed in nor the
// last active administrator.
bool delete_operator(int id);

// The demonstration operator "demo" (password "demo", administrator), created
// only when no operator of that login exists.
bool ensure_demo_operator();

// ---- rights ---------------------------------------------------------------

inline constexpr std::uint8_t kRightAccess = 1;
inline constexpr std::uint8_t kRightSupervisor = 2;

struct RightName {
    std::uint8_t bit;
    const char* name;   // as callers name it in a rights list
    const char* label;  // as the operator reads it
};

struct ProcedureRights {
    const char* procedure;
    const char* title;
    std::vector<RightName> rights;
};

// Every procedure that carries rights, in the order the screens list them.
const std::vector<ProcedureRights>& procedures_with_rights();
// The catalogue entry of a name (any case); null when it is not listed.
const ProcedureRights* find_procedure(std::string_view procedure);

// The stored bits of an operator for a procedure (0 when none); an active
// administrator has every bit.
std::uint8_t rights_of(int operator_id, std::string_view procedure);
bool set_rights(int operator_id, std::string_view procedure, std::uint8_t bits);

// True when the operator signed in holds every bit asked for.
bool has_right(std::string_view procedure, std::uint8_t bits);
// The same, showing the refusal when it does not.
bool require_right(std::string_view procedure, std::uint8_t bits);

// ---- the sign-in ----------------------------------------------------------

// Start-up step of the access control: takes the system name (AppNameDesc)
// and makes sure the security data can be reached. Operators and rights are
// tables of the schema scripts and every text is in the program itself, so
// there is no language file or security file to create here. False after a
// message when the tables cannot be read.
bool initialise_access_control(std::string_view system_name);

enum class SignInResult { kSignedIn, kRefused, kFailed };

// Checks login and password and, when they match an active operator, makes
// it the operator signed in: AppNumQueue gets a non-zero handle and
// glo::nome_operador the login. Shows nothing; callers word the refusal.
SignInResult sign_in_operator(std::string_view login, std::string_view password);
// Ends the sign-in (AppNumQueue back to 0).
void sign_out();

bool signed_in();
int current_operator_id();
std::string current_login();
std::string current_name();
bool current_is_administrator();
// Checks a password against the operator signed in.
bool current_password_matches(std::string_view password);

// Result of the change of login of a sign-in handle.
enum ChangeLoginResult : int {
    kLoginChanged = 0,      // the handle now belongs to the operator given
    kLoginRefused = 1,      // wrong login or password, or an inactive operator
    kLoginNotSignedIn = 2,  // the handle is not the sign-in of this process
};
// Shows the refusal; the sign-in stays as it was unless the result is
// kLoginChanged.
int change_login(int handle, std::string_view login, std::string_view password);

inline constexpr const char* kInvalidLoginMessage = "Usuário ou senha inválidos!";
inline constexpr const char* kTriesExhaustedMessage =
    "Usuário ou senha inválidos!|Número máximo de tentativas atingido.";

}  // namespace balcora::access
