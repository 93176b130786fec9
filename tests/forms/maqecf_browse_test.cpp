#include "forms/maqecf_browse.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "support/test_database.h"

namespace balcora::test {

class PrinterList : public DbTest {
  protected:
    void SetUp() override {
        QUERYSQL(
            "INSERT INTO balcora.maqecf (id_maqecf, numero, marca, modelo, porta_com, "
            "num_serie, modelo_scanner, porta_com_scanner) VALUES "
            "(1, 2, 'EPSON', 'TM-T81', 99, 'BV-A', 1, 3), "
            "(2, 1, 'BEMATECH', 'MP-4000', 2, 'BV-B', 0, NULL);");
        ASSERT_TRUE(list_.reload());
    }
    forms::MaqecfBrowse list_;
};

TEST_F(PrinterList, ShowsPortsAndScannersInWords) {
    ASSERT_EQ(list_.lines().size(), 2u);
    const auto& first = list_.lines()[0];  // ordered by the printer's number
    EXPECT_EQ(first.id_maqecf, 2);
    EXPECT_EQ(first.marca, "BEMATECH");
    EXPECT_EQ(first.porta, "com2");
    EXPECT_EQ(first.modelo_scanner, "Nenhum");
    EXPECT_EQ(first.porta_scanner, "");
    const auto& second = list_.lines()[1];
    EXPECT_EQ(second.porta, "USB");
    EXPECT_EQ(second.modelo_scanner, "Metrologic MS7320");
    EXPECT_EQ(second.porta_scanner, "com3");
    EXPECT_EQ(list_.index_of(1), std::optional<std::size_t>(1));
}

TEST_F(PrinterList, DeletesOnlyAfterYesAndLogsIt) {
    EXPECT_FALSE(list_.remove(0));
    EXPECT_EQ(prompt_.shown().back().kind, "confirm");
    EXPECT_EQ(prompt_.shown().back().text,
              "Confirma a exclusão da Máquina ECF BEMATECH MP-4000 (Nº Série BV-B)?");
    EXPECT_EQ(list_.lines().size(), 2u);

    prompt_.answer(true);
    EXPECT_TRUE(list_.remove(0));
    ASSERT_EQ(list_.lines().size(), 1u);
    EXPECT_EQ(list_.lines()[0].id_maqecf, 1);
    EXPECT_EQ(QUERYSQL("SELECT operacao||'|'||tabela||'|'||id||'|'||descricao FROM balcora.log;"),
              "EXC|maqecf|2|Nº Série: BV-B");
}

TEST_F(PrinterList, APrinterThatIssuedDocumentsIsKept) {
    QUERYSQL(
        "INSERT INTO balcora.docecf (id_empresa, id_maqecf, tipo, num_coo) VALUES (1, 1, "
        "'RG', 10);");
    prompt_.answer(true);
    EXPECT_FALSE(list_.remove(1));
    EXPECT_EQ(prompt_.shown().back().kind, "message");
    EXPECT_EQ(prompt_.count_containing("possui movimento fiscal"), 1);
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.maqecf;"), "2");
}

}  // namespace balcora::test
