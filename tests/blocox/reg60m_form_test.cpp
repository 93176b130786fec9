#include "blocox/reg60m_form.h"
#include "transmission_fixture.h"

namespace balcora::test {

using blocox::Reg60mForm;

class Reg60mFormTest : public TransmissionFixture {
  protected:
    std::int32_t id_of(int crz) {
        return std::stoi(value("SELECT id_reg60m FROM balcora.reg60m WHERE num_cont_red_z=" +
                               std::to_string(crz) + ";"));
    }
};

// Hand corrections reach only what the authority does not have yet, and
// each one leaves its trace in the log.
TEST_F(Reg60mFormTest, PendingReductionsAreCorrectedOrDeletedAndTransmittedOnesOnlyShown) {
    reductions(2);
    ASSERT_EQ(QUERYSQL("INSERT INTO balcora.reg60a (id_reg60m, st_aliq, totalizador, "
                       "vl_acumulado) VALUES (" +
                       std::to_string(id_of(1)) + ", '01T1800', '01T1800', 10);"),
              "1");
    ASSERT_EQ(QUERYSQL("UPDATE balcora.reg60m SET sit_blocox='T' WHERE num_cont_red_z=2;"), "1");

    Reg60mForm form;
    ASSERT_TRUE(form.open(forms::FormMode::kChange, id_of(1)));
    EXPECT_EQ(form.values[Reg60mForm::kData], "05/12/2026");
    EXPECT_EQ(form.values[Reg60mForm::kTotalGeral], "1.000,00");
    form.values[Reg60mForm::kVendaBruta] = "12,345";
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus(), Reg60mForm::kVendaBruta);
    form.values[Reg60mForm::kVendaBruta] = "1.234,50";
    form.values[Reg60mForm::kData] = "06/12/2026";  // the other reduction's day
    EXPECT_FALSE(form.save());
    EXPECT_EQ(form.focus(), Reg60mForm::kData);
    form.values[Reg60mForm::kData] = "05/12/2026";
    form.values[Reg60mForm::kDtEmissao] = "06/12/2026";
    ASSERT_TRUE(form.save());
    EXPECT_EQ(value("SELECT vl_venda_bruta || ' ' || dt_emissao FROM balcora.reg60m WHERE "
                    "num_cont_red_z=1;"),
              "1234.50 2026-12-06");
    EXPECT_EQ(value("SELECT operacao || ' ' || descricao FROM balcora.log WHERE tabela='reg60m';"),
              "ALT DT EMISS:06/12/2026");

    Reg60mForm sent;
    ASSERT_TRUE(sent.open(forms::FormMode::kChange, id_of(2)));
    EXPECT_TRUE(sent.read_only());
    EXPECT_EQ(sent.situacao(), "Transmitido");
    EXPECT_FALSE(Reg60mForm::remove(id_of(2)));

    prompt_.answer(true);
    EXPECT_TRUE(Reg60mForm::remove(id_of(1)));
    EXPECT_EQ(value("SELECT count(*) FROM balcora.reg60a;"), "0");
    EXPECT_EQ(value("SELECT count(*) FROM balcora.reg60m;"), "1");
    EXPECT_EQ(value("SELECT count(*) FROM balcora.log WHERE operacao='EXC' AND tabela='reg60m';"),
              "1");
}

}  // namespace balcora::test
