#include "printer_fixture.h"

namespace balcora::test {

class Day : public PrinterTest {
  protected:
    std::string maqecf(const std::string& column) {
        return sql("SELECT coalesce(" + column +
                   "::text,'') FROM balcora.maqecf WHERE id_maqecf=7");
    }
    // What the program does after the day opening: the day's row with zeros.
    void insert_zero_reg60m(const std::string& day) {
        sql("INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, num_coo_inicial, "
            "num_coo_final, num_cont_red_z, num_cont_reinicio, vl_venda_bruta, vl_tot_geral, "
            "sit_blocox) VALUES (1, 7, '" +
            day + "', 0, 0, 0, 0, 0, 0, 'P');");
    }
    std::string reg60a(const std::string& st_aliq) {
        return sql(
            "SELECT a.totalizador||'='||a.vl_acumulado FROM balcora.reg60a a JOIN "
            "balcora.reg60m m USING (id_reg60m) WHERE a.st_aliq='" +
            st_aliq + "' ORDER BY m.data DESC LIMIT 1");
    }
};

TEST_F(Day, OpeningPrintsSupplyAndXReadingAndOpensTheDayInMaqecf) {
    const int coo = counters();
    ASSERT_TRUE(open_day(15050));
    EXPECT_EQ(maqecf("situacao"), "A");
    EXPECT_EQ(maqecf("data_sit"), "2026-12-07");
    EXPECT_EQ(counters(), coo + 2);
    const std::string t = tape();
    EXPECT_NE(t.find("COMPROVANTE NÃO-FISCAL"), std::string::npos);
    EXPECT_EQ(value_on(t, "SUPRIMENTO"), "150,50");
    EXPECT_NE(t.find("LEITURA X"), std::string::npos);
    EXPECT_EQ(value_on(t, "MOVIMENTO DO DIA:"), "07/12/2026");
    EXPECT_FALSE(cmd(CMD_OPEN_DAY, "12"));
    EXPECT_NE(last_message().find("suprimento inicial inválido"), std::string::npos);
}

TEST_F(Day, OpeningIsRefusedForAPrinterTheDatabaseDoesNotKnow) {
    sql("DELETE FROM balcora.maqecf;");
    const int coo = counters();
    EXPECT_FALSE(open_day());
    EXPECT_NE(last_message().find("não cadastrada"), std::string::npos);
    EXPECT_EQ(counters(), coo);
    EXPECT_EQ(tape(), "");
}

TEST_F(Day, ADayOfSalesEndsInReductionRowsThatAddUpToWhatWasSold) {
    ASSERT_TRUE(open_day());
    insert_zero_reg60m("2026-12-07");
    const std::string row_id = sql("SELECT id_reg60m FROM balcora.reg60m");

    // Coupon COO 3: 20,00 at 18%, 20,00 at 7%, 10,00 in substitution, less a
    // coupon discount of 3,00 shared as 1,20 + 1,20 + 0,60.
    ASSERT_TRUE(open_coupon());
    ASSERT_TRUE(sell(item_record("1", "A", 10000, 2000, 2000, "01", "UN", 0, 1800)));
    ASSERT_TRUE(sell(item_record("2", "B", 20000, 1000, 2000, "02", "UN", 0, 700)));
    ASSERT_TRUE(sell(item_record("3", "C", 10000, 1000, 1000, "FF", "UN")));
    ASSERT_TRUE(cmd(CMD_START_CLOSING, closing(300, true)));
    ASSERT_TRUE(cmd(CMD_PAYMENT, payment("Dinheiro", 4700)));
    ASSERT_TRUE(cmd(CMD_CLOSE_COUPON, ""));
    // Coupon COO 4: 12,34 at 18% with an item discount of 2,34, an exempt 5,00
    // cancelled, a coupon surcharge of 1,00 (all on the one live item).
    ASSERT_TRUE(open_coupon());
    ASSERT_TRUE(sell(item_record("4", "D", 12345, 1000, 1234, "01", "UN", 234, 1800)));
    ASSERT_TRUE(sell(item_record("5", "E", 5000, 1000, 500, "II", "UN")));
    ASSERT_TRUE(cmd(CMD_CANCEL_ITEM, "2"));
    ASSERT_TRUE(cmd(CMD_START_CLOSING, closing(100, false)));
    ASSERT_TRUE(cmd(CMD_PAYMENT, payment("Cartao", 1100)));
    ASSERT_TRUE(cmd(CMD_CLOSE_COUPON, ""));
    // Coupon COO 5 of 8,00 not taxed, cancelled after closing (COO 6).
    ASSERT_TRUE(coupon_of(800, "NN"));
    ASSERT_TRUE(cmd(CMD_CANCEL_COUPON));

    set_time(7, 18, 30);
    ASSERT_TRUE(cmd(CMD_Z_REDUCTION));  // COO 7
    EXPECT_EQ(maqecf("situacao"), "F");
    EXPECT_EQ(maqecf("data_reducaoz"), "2026-12-07");
    ASSERT_TRUE(cmd(CMD_RECORD_REG60M));
    EXPECT_TRUE(prompt_.shown().empty()) << last_message();

    // The row the opening created is completed, not duplicated.
    EXPECT_EQ(sql("SELECT count(*) FROM balcora.reg60m"), "1");
    EXPECT_EQ(sql("SELECT id_reg60m FROM balcora.reg60m"), row_id);
    // Gross sales: every item total and surcharge, cancelled ones included:
    // 50,00 + 12,34 + 5,00 + 1,00 + 8,00. ICMS: 29,80 x 18% + 18,80 x 7%, each cut.
    EXPECT_EQ(sql("SELECT num_cont_red_z||'|'||num_coo||'|'||num_coo_inicial||'|'||"
                  "num_coo_final||'|'||num_cont_reinicio||'|'||vl_venda_bruta||'|'||vl_tot_geral||"
                  "'|'||dt_emissao||'|'||hr_emissao||'|'||sit_blocox||'|'||vl_icms_debitado "
                  "FROM balcora.reg60m"),
              "1|7|1|7|1|76.34|76.34|2026-12-07|18:30:00|P|6.67");
    EXPECT_TRUE(db::verify_hash("reg60m", std::stoll(row_id)));
    EXPECT_FALSE(sql("SELECT hash FROM balcora.reg60m").empty());

    EXPECT_EQ(reg60a("01T1800"), "01T1800=29.80");  // 20,00 - 1,20 + 12,34 - 2,34 + 1,00
    EXPECT_EQ(reg60a("02T0700"), "02T0700=18.80");
    EXPECT_EQ(reg60a("F1"), "F1=9.40");
    EXPECT_EQ(reg60a("CANC"), "Can-T=13.00");  // item E and coupon COO 5
    EXPECT_EQ(reg60a("DESC"), "DT=5.34");
    EXPECT_EQ(reg60a("AT"), "AT=1.00");
    // Totalisers that ended the day at zero are left out.
    EXPECT_EQ(sql("SELECT count(*) FROM balcora.reg60a"), "6");
    // Gross = tax totalisers + cancellations + discounts, as the Bloco X file
    // recomputes it (the surcharges are inside the tax totalisers).
    EXPECT_EQ(sql("SELECT sum(vl_acumulado) FROM balcora.reg60a WHERE st_aliq<>'AT'"), "76.34");
    auto hashes = db::verify_hashes("reg60a");
    ASSERT_EQ(hashes.size(), 6u);
    for (const auto& [id, ok] : hashes) EXPECT_TRUE(ok) << id;
}

TEST_F(Day, ADayLeftOpenMakesTheReductionPendingAndItClosesThatDay) {
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(coupon_of(1000));
    set_time(8, 9);
    ASSERT_TRUE(cmd(CMD_READ_Z_PENDING));
    EXPECT_EQ(glo::rz_pendente, 1);
    EXPECT_FALSE(cmd(CMD_CHECK_SALE_STATE));
    EXPECT_NE(last_message().find("Redução Z pendente do dia 07/12/2026"), std::string::npos);
    EXPECT_FALSE(open_coupon());
    EXPECT_FALSE(open_day());
    ASSERT_TRUE(cmd(CMD_X_READING));  // readings stay possible
    ASSERT_TRUE(cmd(CMD_Z_REDUCTION));
    EXPECT_EQ(glo::rz_pendente, 0);
    EXPECT_EQ(maqecf("situacao"), "F");
    EXPECT_EQ(maqecf("data_sit"), "2026-12-07");
    EXPECT_EQ(maqecf("data_reducaoz"), "2026-12-08");
    ASSERT_TRUE(cmd(CMD_RECORD_REG60M));
    EXPECT_EQ(sql("SELECT data||' '||vl_venda_bruta||' '||dt_emissao FROM balcora.reg60m"),
              "2026-12-07 10.00 2026-12-08");
    // The previous day's reduction does not close today: the day opens again.
    ASSERT_TRUE(cmd(CMD_READ_Z_PENDING));
    EXPECT_EQ(glo::rz_pendente, 0);
    ASSERT_TRUE(open_day());
    EXPECT_EQ(maqecf("situacao||data_sit"), "A2026-12-08");
}

TEST_F(Day, AfterTodaysReductionNothingNewUntilTomorrow) {
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(cmd(CMD_Z_REDUCTION));
    EXPECT_FALSE(cmd(CMD_Z_REDUCTION));
    EXPECT_FALSE(open_day());
    EXPECT_NE(last_message().find("Redução Z do dia já emitida"), std::string::npos);
    EXPECT_FALSE(cmd(CMD_CHECK_SALE_STATE));
    EXPECT_FALSE(cmd(CMD_OPEN_REPORT, "RG"));
    EXPECT_TRUE(cmd(CMD_X_READING));
    set_time(8, 8);
    EXPECT_TRUE(cmd(CMD_CHECK_SALE_STATE));
    EXPECT_TRUE(open_day());
}

TEST_F(Day, ReductionRefusedWithACouponOpen) {
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(open_coupon());
    EXPECT_FALSE(cmd(CMD_Z_REDUCTION));
    EXPECT_NE(last_message().find("antes da Redução Z"), std::string::npos);
    // A coupon left open past midnight can still be cancelled, then reduced.
    set_time(8, 7);
    ASSERT_TRUE(cmd(CMD_CHECK_SALE_STATE));
    ASSERT_TRUE(cmd(CMD_CANCEL_COUPON));
    EXPECT_TRUE(cmd(CMD_Z_REDUCTION));
}

TEST_F(Day, RecoveryRebuildsThePeriodAndKeepsTransmittedDays) {
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(coupon_of(1000));
    set_time(7, 19);
    ASSERT_TRUE(cmd(CMD_Z_REDUCTION));
    set_time(8, 9);
    ASSERT_TRUE(open_day());
    ASSERT_TRUE(coupon_of(2500, "FF"));
    set_time(8, 19);
    ASSERT_TRUE(cmd(CMD_Z_REDUCTION));
    ASSERT_TRUE(cmd(CMD_RECORD_REG60M));
    sql("UPDATE balcora.reg60m SET sit_blocox='T' WHERE data='2026-12-08';");
    EXPECT_FALSE(cmd(CMD_RECOVER_REG60M, "08/12/202607/12/2026"));
    EXPECT_NE(last_message().find("Período inválido"), std::string::npos);
    prompt_.clear();
    ASSERT_TRUE(cmd(CMD_RECOVER_REG60M, "01/12/202631/12/2026"));
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text,
              "Registros 60M e 60A recuperados: 1 dia(s).|1 dia(s) já transmitido(s) ao Fisco "
              "mantido(s) sem alteração.");
    EXPECT_EQ(
        sql("SELECT string_agg(data||':'||vl_venda_bruta||':'||num_cont_red_z||':'||sit_blocox,"
            "' ' ORDER BY data) FROM balcora.reg60m"),
        "2026-12-07:10.00:1:P 2026-12-08:25.00:2:T");
    EXPECT_EQ(reg60a("F1"), "F1=25.00");
    EXPECT_FALSE(cmd(CMD_RECOVER_REG60M, "01/11/202630/11/2026"));
    EXPECT_NE(last_message().find("Não há Reduções Z"), std::string::npos);
}

TEST_F(Day, SummerTimeChangesOnlyWithTheDayClosedAndMovesThePrinterClock) {
    ASSERT_TRUE(open_day());
    EXPECT_FALSE(cmd(CMD_TOGGLE_SUMMER_TIME));
    EXPECT_NE(last_message().find("dia fechado"), std::string::npos);
    set_time(7, 18);
    ASSERT_TRUE(cmd(CMD_Z_REDUCTION));
    ASSERT_TRUE(cmd(CMD_TOGGLE_SUMMER_TIME));
    EXPECT_EQ(glo::hr_ativo, 1);
    ASSERT_TRUE(cmd(CMD_READ_DATETIME));
    EXPECT_EQ(glo::datahora_ecf, "071226190000");

    set_time(8, 9);
    ASSERT_TRUE(open_day());
    EXPECT_EQ(maqecf("data_sit"), "2026-12-08");
    set_time(8, 17);
    ASSERT_TRUE(cmd(CMD_Z_REDUCTION));  // 18:00 on the printer
    // Leaving within the hour after the reduction would print times before it.
    set_time(8, 17, 30);
    EXPECT_FALSE(cmd(CMD_TOGGLE_SUMMER_TIME));
    EXPECT_NE(last_message().find("1 hora após a Redução Z"), std::string::npos);
    set_time(8, 18);
    ASSERT_TRUE(cmd(CMD_TOGGLE_SUMMER_TIME));
    EXPECT_EQ(glo::hr_ativo, 0);
    ASSERT_TRUE(cmd(CMD_READ_DATETIME));
    EXPECT_EQ(glo::datahora_ecf, "081226180000");
    ASSERT_TRUE(cmd(CMD_LMF_PRINT_BY_DATE, "07/12/202608/12/2026C"));
    EXPECT_NE(tape().find("HORÁRIO DE VERÃO: ENTRADA 07/12/2026 18:00:00"), std::string::npos);
    EXPECT_NE(tape().find("HORÁRIO DE VERÃO: SAÍDA 08/12/2026 19:00:00"), std::string::npos);
}

TEST_F(Day, TaxRatesAndPaymentMethodsAreProgrammedFromTheDatabase) {
    sql("INSERT INTO balcora.produto (id_produto, codigo, descricao, ecf_st, ecf_aliquota, "
        "ecf_cod_st) VALUES (1, '1', 'SERVICO', 'S', 5.00, '04'), (2, '2', 'CAFE', 'T', 18.00, "
        "'01');");
    sql("INSERT INTO balcora.registro (chave, nome, valor) VALUES ('FormaPagto', 'CARTAO', 'Cartão "
        "TEF');");
    ASSERT_TRUE(cmd(CMD_PROGRAM_TAX_RATES));
    ASSERT_TRUE(cmd(CMD_PROGRAM_PAYMENT_METHODS));
    ASSERT_TRUE(cmd(CMD_LIST_DEPARTMENTS));
    std::string t = tape();
    EXPECT_NE(t.find("  04 ISSQN"), std::string::npos);
    EXPECT_NE(t.find("  03 Cartão TEF"), std::string::npos);
    ASSERT_TRUE(open_day());
    EXPECT_FALSE(cmd(CMD_PROGRAM_TAX_RATES));  // not with the day open
    ASSERT_TRUE(open_coupon());
    ASSERT_TRUE(sell(item_record("1", "SERVICO", 10000, 1000, 1000, "04", "UN", 0, 500)));
    EXPECT_FALSE(cmd(CMD_X_READING));  // coupon open
    ASSERT_TRUE(cmd(CMD_CANCEL_COUPON));
    ASSERT_TRUE(cmd(CMD_X_READING));
    EXPECT_EQ(value_on(tape(), "CANCELAMENTOS ISSQN (Can-S)"), "10,00");
}

}  // namespace balcora::test
