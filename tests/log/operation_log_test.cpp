#include "log/operation_log.h"
#include "db/query_sql.h"
#include "globals/globals.h"
#include "platform/host.h"
#include "support/test_database.h"

namespace balcora::test {

class OperationLog : public DbTest {};

TEST_F(OperationLog, StoresOneRowWithComputerAndOperator) {
    glo::nome_operador = "maria d'avila";
    ASSERT_TRUE(GRAVALOG("FUN", "abridia", "82000", "Suprimento Valor:    100,00", "ignorado"));
    db::SqlRecord rec;
    ASSERT_EQ(QUERYSQL("SELECT nome_cpd, nome_usuario, operacao, tabela, id, descricao, "
                       "data IS NOT NULL, id_log IS NOT NULL FROM balcora.log",
                       rec),
              "1");
    EXPECT_EQ(rec.C(1), platform::computer_name().substr(0, 19));
    EXPECT_EQ(rec.C(2), "maria d'avila");
    EXPECT_EQ(rec.C(3), "FUN");
    EXPECT_EQ(rec.C(4), "abridia");
    EXPECT_EQ(rec.C(5), "82000");
    EXPECT_EQ(rec.C(6), "Suprimento Valor:    100,00");
    EXPECT_EQ(rec.C(7), "t");
    EXPECT_EQ(rec.C(8), "t");
    EXPECT_FALSE(rec.next());
}

TEST_F(OperationLog, AFailedInsertReturnsFalseAndIsShown) {
    QUERYSQL("DROP TABLE balcora.log;");
    EXPECT_FALSE(GRAVALOG("ALT", "configuracao", "1", "x"));
    EXPECT_EQ(prompt_.count_containing("Erro SQL"), 1);
}

}  // namespace balcora::test
