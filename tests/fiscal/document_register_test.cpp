#include "fiscal/document_register.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "ecf/driver_abi.h"
#include "globals/globals.h"
#include "support/test_database.h"

#include <dlfcn.h>

namespace balcora::test {

class DocumentRegister : public DbTest {
  protected:
    void SetUp() override {
        DEFINEHASH();
        glo::numfab = "BV0001";
        glo::id_empresa = 1;
        glo::datahora_ecf = "071226143015";
    }
    void add_printer(const std::string& data_sit) {
        QUERYSQL(
            "INSERT INTO balcora.maqecf (id_maqecf, id_empresa, numero, num_serie, situacao, "
            "data_sit) VALUES (7, 1, 1, 'BV0001', 'A', " +
            data_sit + ");");
    }
    std::string row(const std::string& columns) {
        db::SqlRecord rec;
        QUERYSQL("SELECT " + columns + " FROM balcora.docecf ORDER BY id_docecf DESC LIMIT 1", rec);
        return std::string(rec.C(1));
    }
};

TEST_F(DocumentRegister, StoresTheCountersDateAndAmountAndSealsTheRow) {
    add_printer("'2026-12-06'");
    // A driver of another maker reaches the entry by its C name, as the
    // virtual printer does through the header.
    auto entry = reinterpret_cast<balcora_document_register_fn>(
        dlsym(RTLD_DEFAULT, BALCORA_DOCUMENT_REGISTER_ENTRY));
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry("RGX", 1, 345, 12, 88, 4, 2, "000000001250"), 1);
    EXPECT_EQ(row("id_maqecf||'|'||data||'|'||tipo||'|'||num_cro||'|'||num_coo||'|'||num_ccf||'|'||"
                  "num_gnf||'|'||num_grg||'|'||num_cdc||'|'||valor||'|'||dt_emissao_final||'|'||"
                  "hr_emissao_final"),
              "7|2026-12-06|RG|1|345|12|88|4|2|12.50|2026-12-07|14:30:15");
    DEFINEHASH();
    auto hashes = db::verify_hashes("docecf");
    ASSERT_EQ(hashes.size(), 1u);
    EXPECT_TRUE(hashes.begin()->second);
    EXPECT_FALSE(row("hash").empty());
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(DocumentRegister, WithoutACashDayTheRowIsDatedTodayAndSmallAmountsKeepTheirCents) {
    add_printer("NULL");
    GRAVADOCEMITIDOSECF("CC", 1, 346, 13, 89, 4, 3, "123");
    EXPECT_EQ(row("data::text"), "2026-12-07");
    EXPECT_EQ(row("valor::text"), "1.23");
    GRAVADOCEMITIDOSECF("CC", 1, 347, 13, 90, 4, 4, "0");
    EXPECT_EQ(row("valor::text"), "0.00");
    // A printer clock that cannot be read leaves no NULL in the digest.
    glo::datahora_ecf = "";
    GRAVADOCEMITIDOSECF("RG", 1, 348, 0, 91, 5, 0, "0");
    EXPECT_EQ(row("dt_emissao_final||' '||hr_emissao_final"), "2026-12-07 10:00:00");
    for (auto [id, ok] : db::verify_hashes("docecf")) EXPECT_TRUE(ok) << id;
    // A reversal below one real keeps its sign.
    GRAVADOCEMITIDOSECF("CC", 1, 348, 13, 91, 4, 5, "-50");
    EXPECT_EQ(row("valor::text"), "-0.50");
}

TEST_F(DocumentRegister, AFailedInsertIsShownWithTheCoo) {
    add_printer("NULL");
    QUERYSQL("DROP TABLE balcora.docecf;");
    EXPECT_EQ(GRAVADOCEMITIDOSECF("RG", 1, 999, 0, 1, 1, 0, nullptr), 0);
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].title, "Erro");
    EXPECT_NE(prompt_.shown()[0].text.find(") ao gravar Documento do ECF! Nº COO: 999"),
              std::string::npos);
}

}  // namespace balcora::test
