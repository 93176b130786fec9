#include "printer_fixture.h"

namespace balcora::test {

class NonFiscal : public PrinterTest {
  protected:
    std::string docecf(const std::string& columns) {
        return sql("SELECT " + columns + " FROM balcora.docecf ORDER BY id_docecf DESC LIMIT 1");
    }
    // A coupon of 100,00 paid in store credit, in three instalments.
    void credit_sale() {
        ASSERT_TRUE(open_coupon());
        ASSERT_TRUE(sell(item_record("1", "TV", 100000, 1000, 10000, "01", "UN", 0, 1800)));
        ASSERT_TRUE(cmd(CMD_START_CLOSING, closing(0, false)));
        ASSERT_TRUE(cmd(CMD_PAYMENT, payment("CREDIARIO", 10000).c_str(), "PRAZO: 30/60/90 DIAS"));
        ASSERT_TRUE(cmd(CMD_CLOSE_COUPON, ""));
    }
};

TEST_F(NonFiscal, ManagementReportInTwoCopiesIsPrintedAndRegistered) {
    ASSERT_TRUE(open_day());
    const int coo = counters();
    ASSERT_TRUE(cmd(CMD_OPEN_REPORT, "RG"));
    for (int copy = 0; copy < 2; ++copy) {
        ASSERT_TRUE(cmd(CMD_REPORT_LINE, "2\xAA VIA - CUPOM FISCAL\r\n"));
        // A block of lines, one longer than the paper.
        ASSERT_TRUE(cmd(CMD_REPORT_LINE, "LINHA A\r\nLINHA B " + std::string(50, '*') + "\r\n"));
        if (copy == 0) {
            for (int i = 0; i < 6; ++i) ASSERT_TRUE(cmd(CMD_REPORT_LINE, "  \r\n"));
            ASSERT_TRUE(cmd(CMD_CUT_PAPER));
        }
    }
    ASSERT_TRUE(cmd(CMD_CLOSE_REPORT));
    ASSERT_TRUE(cmd(CMD_REGISTER_DOCUMENT, "RG", "0"));
    EXPECT_EQ(counters(), coo + 1);
    EXPECT_EQ(
        docecf("tipo||'|'||num_coo||'|'||num_gnf||'|'||num_grg||'|'||num_ccf||'|'||valor||'|'||"
               "data||'|'||dt_emissao_final||'|'||hr_emissao_final"),
        "RG|" + std::to_string(coo + 1) + "|2|1|0|0.00|2026-12-07|2026-12-07|10:00:00");
    const std::string t = tape();
    EXPECT_NE(t.find("RELATÓRIO GERENCIAL"), std::string::npos);
    EXPECT_EQ(count_of(t, "2ª VIA - CUPOM FISCAL\nLINHA A\nLINHA B " + std::string(40, '*') + "\n" +
                              std::string(10, '*') + "\n"),
              2);
    EXPECT_EQ(count_of(t, "corte do papel"), 1);
    EXPECT_TRUE(prompt_.shown().empty()) << last_message();
}

TEST_F(NonFiscal, AnInterruptedReportIsClosedAndStartedAgain) {
    ASSERT_TRUE(open_day());
    EXPECT_TRUE(cmd(CMD_CLOSE_REPORT));  // nothing open: harmless
    ASSERT_TRUE(cmd(CMD_OPEN_REPORT, "RG"));
    ASSERT_TRUE(vecf::refuse_next(CMD_REPORT_LINE, 1));
    EXPECT_FALSE(cmd(CMD_REPORT_LINE, "LINHA\r\n"));
    EXPECT_NE(last_message().find("Falha de comunicação"), std::string::npos);
    EXPECT_FALSE(cmd(CMD_CLOSE_VOUCHER));  // the open document is a report
    ASSERT_TRUE(cmd(CMD_CLOSE_REPORT));
    ASSERT_TRUE(cmd(CMD_OPEN_REPORT, "RG"));
    ASSERT_TRUE(cmd(CMD_REPORT_LINE, "LINHA\r\n"));
    ASSERT_TRUE(cmd(CMD_CLOSE_REPORT));
    EXPECT_EQ(count_of(tape(), "RELATÓRIO GERENCIAL"), 2);
    EXPECT_FALSE(cmd(CMD_REPORT_LINE, "X\r\n"));
    EXPECT_EQ(last_message(), "Não há relatório gerencial aberto.");
}

TEST_F(NonFiscal, CreditVoucherMustBeReversedBeforeItsCouponIsCancelled) {
    ASSERT_TRUE(open_day());
    credit_sale();
    const int coupon_coo = counters();
    const std::string coo = std::to_string(coupon_coo);
    // More than was paid in that form, or a form the coupon did not use.
    EXPECT_FALSE(cmd(CMD_OPEN_CREDIT_VOUCHER, "CREDIARIO", "100.01", coo.c_str(), "3"));
    EXPECT_NE(last_message().find("maior que o saldo"), std::string::npos);
    EXPECT_FALSE(cmd(CMD_OPEN_CREDIT_VOUCHER, "CARTAO", "10.00", coo.c_str(), "1"));
    EXPECT_FALSE(cmd(CMD_OPEN_CREDIT_VOUCHER, "CREDIARIO", "10.00", "1", "1"));
    EXPECT_NE(last_message().find("último cupom fiscal"), std::string::npos);
    // The sale flow sends the instalments before the amount.
    ASSERT_TRUE(cmd(CMD_OPEN_CREDIT_VOUCHER, "CREDIARIO", "3", coo.c_str(), "100.00"));
    for (int copy = 0; copy < 2; ++copy) {
        ASSERT_TRUE(cmd(CMD_VOUCHER_LINE, "PARC 0001 30 DIAS\r\n"));
        if (copy == 0) {
            for (int i = 0; i < 6; ++i) ASSERT_TRUE(cmd(CMD_VOUCHER_LINE, "  \r\n"));
            ASSERT_TRUE(cmd(CMD_CUT_PAPER));
        }
    }
    ASSERT_TRUE(cmd(CMD_CLOSE_VOUCHER));
    ASSERT_TRUE(cmd(CMD_REGISTER_DOCUMENT, "CC", "10000"));
    const int voucher_coo = counters();
    EXPECT_EQ(voucher_coo, coupon_coo + 1);
    EXPECT_EQ(docecf("tipo||'|'||num_coo||'|'||num_ccf||'|'||num_cdc||'|'||num_gnf||'|'||valor"),
              "CC|" + std::to_string(voucher_coo) + "|1|1|2|100.00");
    EXPECT_EQ(value_on(tape(), "Parcelas:"), "3");
    EXPECT_EQ(count_of(tape(), "PARC 0001 30 DIAS\n"), 2);

    ASSERT_TRUE(cmd(CMD_READ_COUPON_STATE));
    EXPECT_EQ(glo::cf_permcanc, 1);
    EXPECT_FALSE(cmd(CMD_CANCEL_COUPON));
    EXPECT_NE(last_message().find("Estorne o comprovante"), std::string::npos);
    EXPECT_FALSE(cmd(CMD_REVERSE_CREDIT_VOUCHER, "000.000.000-00", "CLIENTE", "RUA", "1"));
    ASSERT_TRUE(cmd(CMD_REVERSE_CREDIT_VOUCHER, "000.000.000-00", "MARIA", "RUA B, 2",
                    std::to_string(voucher_coo).c_str()));
    EXPECT_FALSE(cmd(CMD_REVERSE_CREDIT_VOUCHER, "000.000.000-00", "MARIA", "RUA B, 2",
                     std::to_string(voucher_coo).c_str()));
    ASSERT_TRUE(cmd(CMD_CANCEL_COUPON));
    const std::string t = tape();
    EXPECT_NE(t.find("ESTORNO DE COMPROVANTE CRÉDITO OU DÉBITO"), std::string::npos);
    EXPECT_EQ(value_on(t, "COO do comprovante estornado:"), "00000" + std::to_string(voucher_coo));
    EXPECT_NE(t.find("CANCELAMENTO DE CUPOM FISCAL"), std::string::npos);
}

TEST_F(NonFiscal, AVoucherFollowsItsCouponEvenPastMidnightButNothingElse) {
    ASSERT_TRUE(open_day());
    credit_sale();
    std::string coo = std::to_string(counters());
    ASSERT_TRUE(cmd(CMD_CASH_MOVEMENT, "SA00000000001000"));
    EXPECT_FALSE(cmd(CMD_OPEN_CREDIT_VOUCHER, "CREDIARIO", "50.00", coo.c_str(), "1"));
    EXPECT_NE(last_message().find("logo após a sua emissão"), std::string::npos);
    set_time(7, 23, 55);
    credit_sale();
    coo = std::to_string(counters());
    set_time(8, 0, 5);
    EXPECT_FALSE(cmd(CMD_OPEN_REPORT, "RG"));  // the reduction of the 7th is pending
    ASSERT_TRUE(cmd(CMD_OPEN_CREDIT_VOUCHER, "CREDIARIO", "50.00", coo.c_str(), "1"));
    ASSERT_TRUE(cmd(CMD_CLOSE_VOUCHER));
}

TEST_F(NonFiscal, WithdrawalAndSupplyReceiptsAndTheirCancellation) {
    ASSERT_TRUE(open_day(0));
    ASSERT_TRUE(cmd(CMD_CASH_MOVEMENT, "SU00000000005000"));
    ASSERT_TRUE(cmd(CMD_CASH_MOVEMENT, "SA00000000002000"));
    EXPECT_FALSE(cmd(CMD_CASH_MOVEMENT, "XX00000000002000"));
    EXPECT_FALSE(cmd(CMD_CASH_MOVEMENT, "SA0000000000"));
    ASSERT_TRUE(cmd(CMD_CANCEL_NONFISCAL));
    EXPECT_FALSE(cmd(CMD_CANCEL_NONFISCAL));  // only right after its issue
    ASSERT_TRUE(cmd(CMD_X_READING));
    const std::string t = tape();
    EXPECT_EQ(value_on(t, "SUPRIMENTO"), "50,00");
    EXPECT_EQ(value_on(t, "SANGRIA"), "0,00");
    EXPECT_EQ(value_on(t, "SANGRIA CANCELADA"), "20,00");
}

TEST_F(NonFiscal, CancellingTheOpenDocumentClosesWhateverIsOpen) {
    ASSERT_TRUE(open_day());
    EXPECT_FALSE(cmd(CMD_CANCEL_OPEN_DOCUMENT));
    ASSERT_TRUE(cmd(CMD_OPEN_REPORT));
    ASSERT_TRUE(cmd(CMD_CANCEL_OPEN_DOCUMENT));
    ASSERT_TRUE(open_coupon());
    ASSERT_TRUE(cmd(CMD_CANCEL_OPEN_DOCUMENT));
    ASSERT_TRUE(cmd(CMD_READ_COUPON_STATE));
    EXPECT_EQ(glo::cf_aberto, 0);
    EXPECT_TRUE(cmd(CMD_CHECK_SALE_STATE));
}

TEST_F(NonFiscal, RegisteringWithoutADocumentOfThatKindIsRefused) {
    ASSERT_TRUE(open_day());
    EXPECT_FALSE(cmd(CMD_REGISTER_DOCUMENT, "CC", "100"));
    EXPECT_EQ(sql("SELECT count(*) FROM balcora.docecf"), "0");
}

}  // namespace balcora::test
