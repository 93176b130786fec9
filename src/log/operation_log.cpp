#include "log/operation_log.h"

#include "db/literals.h"
#include "db/query_sql.h"
#include "globals/globals.h"
#include "platform/host.h"

namespace balcora {

namespace {

// At most max bytes, never half a UTF-8 character (the server refuses one).
std::string cut(std::string s, std::size_t max) {
    if (s.size() <= max) return s;
    while (max > 0 && (static_cast<unsigned char>(s[max]) & 0xC0) == 0x80) --max;
    s.resize(max);
    return s;
}

}  // namespace

bool GRAVALOG(std::string_view operation, std::string_view table, std::string_view id,
              std::string_view description, std::string_view) {
    const std::string statement =
        "INSERT INTO balcora.log (nome_cpd, nome_usuario, operacao, tabela, id, descricao) "
        "VALUES (" +
        TXTSQL(cut(platform::computer_name(), 19)) + "," + TXTSQL(glo::nome_operador) + "," +
        TXTSQL(operation) + "," + TXTSQL(table) + "," + TXTSQL(id) + "," + TXTSQL(description) +
        ");";
    return QUERYSQL(statement) == "1";
}

bool log_failed_sign_in(std::string_view login) {
    // Nobody is signed in yet: the login typed stands where the operator would.
    const std::string statement =
        "INSERT INTO balcora.log (nome_cpd, nome_usuario, operacao, tabela, id, descricao) "
        "VALUES (" +
        TXTSQL(cut(platform::computer_name(), 19)) + "," + TXTSQL(cut(std::string(login), 60)) +
        ",'ACE','operador',''," + TXTSQL("Acesso recusado: usuário ou senha inválidos") + ");";
    return QUERYSQL(statement) == "1";
}

}  // namespace balcora
