#include "demo/demo_data.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "ecf/aux_file.h"
#include "globals/globals.h"
#include "support/test_database.h"
#include "util/documents.h"
#include "util/ean.h"

namespace balcora::test {

class DemoData : public DbTest {
  protected:
    std::string value(const std::string& select) {
        db::SqlRecord rec;
        QUERYSQL(select, rec);
        return std::string(rec.C(1));
    }
};

TEST_F(DemoData, LoadsAConsistentShopAndCanRunAgain) {
    ASSERT_TRUE(load_demo_data());
    ASSERT_TRUE(load_demo_data());
    EXPECT_TRUE(prompt_.shown().empty());

    EXPECT_EQ(value("SELECT count(*) FROM balcora.empresa WHERE ativa=1"), "1");
    EXPECT_EQ(value("SELECT count(*) FROM balcora.maqecf a JOIN balcora.modecf b USING "
                    "(cod_marca, cod_modelo, cod_versao) WHERE a.num_serie=" +
                    std::string("'") + demo::kPrinterSerial + "'"),
              "1");
    EXPECT_GE(std::stoi(value("SELECT count(*) FROM balcora.produto WHERE ativo=1")), 12);

    // Every barcode carries its right check digit, every document its digits.
    db::SqlRecord rec;
    ASSERT_EQ(QUERYSQL("SELECT codigo_barras FROM balcora.produto WHERE codigo_barras <> '' "
                       "UNION ALL SELECT codigo FROM balcora.codbarra",
                       rec),
              "1");
    do EXPECT_TRUE(util::gtin_check_digit_ok(rec.C(1))) << rec.C(1);
    while (rec.next());
    ASSERT_EQ(QUERYSQL("SELECT cgcpf, pesso FROM balcora.cliente", rec), "1");
    do EXPECT_TRUE(rec.C(2) == "2" ? CPF(rec.C(1)) : CNPJ(rec.C(1))) << rec.C(1);
    while (rec.next());
    EXPECT_TRUE(CNPJ(value("SELECT cnpj FROM balcora.empresa")));

    // Hashes: the program's own rows and the ones the database stores.
    DEFINEHASH();
    for (const char* table : {"produto", "empresa", "maqecf"})
        for (auto [id, ok] : db::verify_hashes(table)) EXPECT_TRUE(ok) << table << " " << id;
    EXPECT_TRUE(db::verify_registro_hash());

    // The auxiliary file names the demo printer.
    glo::numfab.clear();
    ASSERT_TRUE(LEARQAUXILIAR());
    EXPECT_EQ(glo::numfab, demo::kPrinterSerial);
    EXPECT_EQ(glo::md5exe.size(), 32u);
}

}  // namespace balcora::test
