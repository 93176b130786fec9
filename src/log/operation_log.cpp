#include "log/operation_log.h"

#include "db/literals.h"
#include "db/query_sql.h"
#include "globals/globals.h"
#include "platform/host.h"

namespace balcora {

namespace {

std::string cut(std::string s, std::size_t max) {
    if (s.size() > max) s.resize(max);
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

}  // namespace balcora
