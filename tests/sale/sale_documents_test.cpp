#include "sale/sale_documents.h"

#include "db/settings.h"
#include "ecf/printer.h"
#include "ecf/printer_layouts.h"
#include "sale/printer_reconciliation.h"
#include "sale/sale_documents_text.h"
#include "sale/sale_fixture.h"
#include "sale/sale_session.h"
#include "support/amounts.h"
#include "util/ean.h"

#include <gtest/gtest.h>

namespace balcora::test {

namespace {

using sale::DocumentClient;
using sale::Instalment;
using sale::SecondCopy;
using sale::SecondCopyItem;

std::string spaces(std::size_t n) {
    return std::string(n, ' ');
}

util::DayNumber day(int y, int m, int d) {
    return util::day_number(y, m, d);
}

DocumentClient person() {
    DocumentClient c;
    c.razao = "JOAO DA SILVA";
    c.cgcpf = "529.982.247-25";
    c.identity = "12345678 SSP";
    c.ender = "RUA DAS PALMEIRAS";
    c.house_number = "45";
    c.complement = "APTO 3";
    c.bairr = "CENTRO";
    c.municipio = "SAO PAULO";
    c.estado = "SP";
    return c;
}

sale::CreditSale credit_sale() {
    sale::CreditSale s;
    s.company = {"MERCADINHO BALCORA LTDA", "11.222.333/0001-81", "SAO PAULO", "SP"};
    s.client = person();
    s.coo = 345;
    s.ccf = 12;
    s.instalments = {{day(2027, 1, 6), cents(3300)},
                     {day(2027, 2, 5), cents(3400)},
                     {day(2027, 3, 7), cents(3300)}};
    return s;
}

std::vector<std::string> slice_of(const std::vector<std::string>& lines, std::size_t from,
                                  std::size_t count) {
    return {lines.begin() + from, lines.begin() + from + count};
}

}  // namespace

TEST(SaleDocumentText, WrapsAtTheBlankAfterTheLastWordThatFits) {
    EXPECT_EQ(sale::wrap_words(std::string(40, 'A') + " " + std::string(20, 'B'), 48),
              (std::vector<std::string>{std::string(40, 'A'), std::string(20, 'B')}));
    // The 48th character a blank: the line takes all before it.
    EXPECT_EQ(sale::wrap_words(std::string(47, 'A') + " " + std::string(10, 'B'), 48),
              (std::vector<std::string>{std::string(47, 'A'), std::string(10, 'B')}));
    // The 49th a blank: the 48 characters form the line even though an earlier
    // blank exists, and the blank is skipped.
    const std::string full = std::string(10, 'X') + " " + std::string(37, 'Y');
    EXPECT_EQ(sale::wrap_words(full + " Z", 48), (std::vector<std::string>{full, "Z"}));
    EXPECT_EQ(sale::wrap_words("", 48), std::vector<std::string>{});
}

TEST(SaleDocumentText, AWordLongerThanTheLineIsCutInsteadOfStoppingThePaper) {
    EXPECT_EQ(sale::wrap_words(std::string(60, 'C') + " FIM", 48),
              (std::vector<std::string>{std::string(48, 'C'), std::string(12, 'C') + " FIM"}));
}

TEST(SaleDocumentText, CountsAccentedLettersAsOneCharacterEach) {
    std::string accented;
    for (int i = 0; i < 47; ++i) accented += "Ç";
    EXPECT_EQ(sale::wrap_words(accented + " ÃO", 48), (std::vector<std::string>{accented, "ÃO"}));
    EXPECT_EQ(sale::centred("AÇÃO", 10), "   AÇÃO");
    EXPECT_EQ(sale::right_in("Unitário", 12), "    Unitário");
    EXPECT_EQ(sale::slice("DESCRIÇÃO LONGA", 6, 4), "ÇÃO ");
}

TEST(SaleDocumentLayout, PromissoryNoteWrapsTheDeclarationAndCentresEveryLine) {
    const auto lines = sale::promissory_note_lines(credit_sale());
    const std::vector<std::string> expected = {
        "",
        "    *** N O T A   P R O M I S S O R I A  ***",
        "",
        " PAGAREI POR ESTA NOTA PROMISSORIA A MERCADINHO",
        " BALCORA LTDA CNPJ 11.222.333/0001-81 OU A SUA",
        "ORDEM NA CIDADE DE SAO PAULO/SP A QUANTIA DE R$",
        " 100,00 (cem reais) EM MOEDA CORRENTE DO PAIS.",
        "   REFERENTE AO CUPOM FISCAL CCF: 000012/CCO:",
        "000345 DE ACARDO COM AS RESPECTIVAS PARCELAS QUE",
        "                    SEGUEM:",
        "",
        "         PARC   VENCIMENTO        VALOR",
        "         0001   06/01/27        33,00",
        "         0002   05/02/27        34,00",
        "         0003   07/03/27        33,00",
        "",
        "             Cliente: JOAO DA SILVA",
        "      Ender..: RUA DAS PALMEIRAS 45 APTO 3",
        "                Bairro.: CENTRO",
        "             Cidade.: SAO PAULO/SP",
        "    CPF....: 529.982.247-25 RG: 12345678 SSP",
        "                Total..: 100,00",
        "",
        "",
        "    " + std::string(40, '_'),
        "    " + spaces(27) + "JOAO DA SILVA",
        "            CPF/CNPJ: 529.982.247-25",
    };
    EXPECT_EQ(lines, expected);
}

TEST(SaleDocumentLayout, ACompanyClientShowsItsStateRegistrationAndAMissingOneOnlyTheTotal) {
    auto s = credit_sale();
    s.client->company = true;
    s.client->cgcpf = "04.599.741/8000-10";
    s.client->inscr = "110042490114";
    auto lines = sale::promissory_note_lines(s);
    EXPECT_EQ(lines[20], spaces(2) + "CNPJ...: 04.599.741/8000-10 IE: 110042490114");

    s.client.reset();
    s.instalments = {{day(2027, 1, 6), cents(123456)}};
    lines = sale::promissory_note_lines(s);
    ASSERT_GE(lines.size(), 5u);
    // Title, blanks, paragraph, table of one, then straight to the total and
    // an unnamed signature.
    const auto tail = slice_of(lines, lines.size() - 7, 7);
    EXPECT_EQ(tail, (std::vector<std::string>{"", spaces(15) + "Total..: 1.234,56", "", "",
                                              spaces(4) + std::string(40, '_'), "",
                                              spaces(19) + "CPF/CNPJ:"}));
}

TEST(SaleDocumentLayout, DebtAcknowledgementCentresOnFiftyUnderThePrinterName) {
    const auto lines = sale::debt_acknowledgement_lines(credit_sale(), "  CREDIARIO  ");
    const std::vector<std::string> expected = {
        "",
        spaces(20) + "CREDIARIO",
        "",
        "      RECONHECO E PAGAREI A DIVIDA  CONFORME",
        "      VENCTOS E VALORES ABAIXO RELACIONADOS:",
        "",
        "          PARC   VENCIMENTO        VALOR",
        "          0001   06/01/27        33,00",
        "          0002   05/02/27        34,00",
        "          0003   07/03/27        33,00",
        "",
        "",
        "     " + std::string(40, '_'),
        "     " + spaces(27) + "JOAO DA SILVA",
        spaces(13) + "CPF/CNPJ: 529.982.247-25",
    };
    EXPECT_EQ(lines, expected);
}

TEST(SaleDocumentLayout, SecondCopyListsEveryItemWithItsAdjustmentsAndTheClient) {
    SecondCopy copy;
    copy.coo = 345;
    SecondCopyItem coffee{"7891000315507",
                          "CAFE TORRADO E MOIDO 500G",
                          "UN",
                          util::Quantity::from_units(2000),
                          util::Fixed<3>::from_units(18900),
                          cents(3780),
                          {},
                          cents(180),
                          false};
    SecondCopyItem rice{"7896000447008",
                        "ARROZ TIPO 1 5KG EMBALAGEM ECONOMICA COM ALCA REFORCADA",
                        "UN",
                        util::Quantity::from_units(1000),
                        util::Fixed<3>::from_units(27490),
                        cents(2749),
                        cents(50),
                        {},
                        false};
    SecondCopyItem beans{"7891020010423",
                         "FEIJAO CARIOCA 1KG",
                         "UN",
                         util::Quantity::from_units(1000),
                         util::Fixed<3>::from_units(8990),
                         cents(899),
                         {},
                         {},
                         true};
    copy.items = {coffee, rice, beans};
    copy.discount = cents(300);
    copy.total = cents(6099);
    copy.client = person();

    const std::string rule(45, '-');
    const std::vector<std::string> expected = {
        rule,
        spaces(9) + "2ª VIA - CUPOM FISCAL # 345",
        rule,
        "Codigo" + spaces(8) + " Descrição Produto",
        spaces(4) + "Quantidade Und   " + spaces(4) + "Unitário" + spaces(2) + "Total Item",
        rule,
        "7891000315507  CAFE TORRADO E MOIDO 500G",
        spaces(9) + "2,000 UN    " + spaces(6) + "18,900" + spaces(7) + "37,80",
        spaces(15) + "Desconto no item " + spaces(8) + "-1,80",
        "7896000447008  ARROZ TIPO 1 5KG EMBALAGEM ECO",
        spaces(15) + "NOMICA COM ALCA REFORCADA",
        spaces(9) + "1,000 UN    " + spaces(6) + "27,490" + spaces(7) + "27,49",
        spaces(15) + "Acrescimo no item" + spaces(9) + "0,50",
        "7891020010423  FEIJAO CARIOCA 1KG",
        spaces(9) + "1,000 UN    " + spaces(7) + "8,990" + spaces(8) + "8,99",
        spaces(4) + "*** ITEM CANCELADO - VALOR: 8,99 ***",
        rule,
        spaces(15) + "DESCONTO" + spaces(9) + spaces(8) + "-3,00",
        spaces(15) + "T O T A L" + spaces(8) + spaces(8) + "60,99",
        rule,
        "529.982.247-25 JOAO DA SILVA",
        "RUA DAS PALMEIRAS 45 APTO 3",
        "CENTRO - SAO PAULO SP",
        rule,
    };
    EXPECT_EQ(sale::second_copy_lines(copy), expected);
}

TEST(SaleDocumentLayout, SecondCopyWithoutClientEndsAfterTheTotalAndShowsACouponSurcharge) {
    SecondCopy copy;
    copy.coo = 7;
    copy.surcharge = cents(125);
    copy.total = cents(1125);
    const auto lines = sale::second_copy_lines(copy);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[7], spaces(15) + "ACRESCIMO" + spaces(8) + spaces(9) + "1,25");
    EXPECT_EQ(lines[8], spaces(15) + "T O T A L" + spaces(8) + spaces(8) + "11,25");
    EXPECT_EQ(lines[9], std::string(45, '-'));
}

class SaleDocuments : public SaleFixture {
  protected:
    void SetUp() override {
        SaleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(session_.load_point_of_sale());
        add_product(100, "000100", kHundred, "100.00");
        ASSERT_EQ(QUERYSQL("UPDATE balcora.cliente SET num_endereco='45', compl='APTO 3', "
                           "ci2=12345678, orgex='SSP' WHERE id_cliente=1;"),
                  "1");
    }

    void settings(const std::string& document, const std::string& second_copy) {
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Docto Venda Prazo", document));
        ASSERT_TRUE(
            GRAVAREGISTRO("balcora", "Configuração", "2ª Via em Relatório Gerencial", second_copy));
    }

    // A coupon of 100,00 for client 1, closed on the printer and paid on
    // store credit in three instalments (or in cash), as the payment screen
    // leaves it.
    void close_coupon(bool on_credit) {
        ASSERT_EQ(session_.enter_code(kHundred), sale::Registration::kRegistered)
            << testing::PrintToString(messages());
        id_ = session_.coupon_id();
        coo_ = session_.coupon().numero;
        ccf_ = session_.coupon().num_ccf;
        const std::string id = std::to_string(id_);
        ASSERT_EQ(QUERYSQL("UPDATE balcora.cfiscal SET id_cliente=1 WHERE id_cfiscal=" + id), "1");
        const std::string method = on_credit ? sale::store_credit_printer_name() : "Dinheiro";
        ASSERT_TRUE(
            ecf::send(ecf::CMD_START_CLOSING, {*ecf::start_closing(ecf::Adjustment::kNone, {})}));
        ASSERT_TRUE(ecf::send(ecf::CMD_PAYMENT, {*ecf::payment(method, cents(10000))}));
        ASSERT_TRUE(ecf::send(ecf::CMD_CLOSE_COUPON, {ecf::coupon_footer("OBRIGADO")}));
        const std::string rows =
            on_credit ? "(1, 'CR', date '2027-01-06', 33.00), (2, 'CR', date '2027-02-05', "
                        "34.00), (3, 'CR', date '2027-03-07', 33.00)"
                      : "(1, 'DI', date '2026-12-07', 100.00)";
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, data, valor, "
                           "numero, num_coo) SELECT " +
                           id + ", v.* , 0, " + std::to_string(coo_) + " FROM (VALUES " + rows +
                           ") AS v;"),
                  "1");
        glo::cf_aberto = 0;
        tape_before_ = paper().size();
        prompt_.clear();
    }

    std::string printed() { return paper().substr(tape_before_); }
    int occurrences(const std::string& text, const std::string& what) {
        int n = 0;
        for (auto p = text.find(what); p != std::string::npos; p = text.find(what, p + 1)) ++n;
        return n;
    }
    int questions() {
        return prompt_.count_containing("A impressora não responde!|Deseja tentar novamente?");
    }
    std::string documents() {
        db::SqlRecord r;
        QUERYSQL(
            "SELECT string_agg(tipo || ' ' || valor || ' ' || coalesce(num_ccf, 0), ',' ORDER BY "
            "id_docecf) FROM balcora.docecf",
            r);
        return std::string(r.C(1));
    }

    const std::string kHundred = with_check_digit("789000000100");
    static std::string with_check_digit(const std::string& twelve) {
        return twelve + std::to_string(CALC_DV(twelve));
    }

    sale::SaleSession session_{checkout_, sale::SaleScreen::kQuickSale};
    std::int64_t id_ = 0;
    std::int32_t coo_ = 0, ccf_ = 0;
    std::size_t tape_before_ = 0;
};

TEST_F(SaleDocuments, PromissoryNoteIsAVoucherLinkedToTheCouponAndRegisteredWithTheCredit) {
    settings("1", "0");
    close_coupon(true);
    sale::print_sale_documents(id_, "CREDIARIO");

    const std::string tape = printed();
    EXPECT_NE(tape.find("COMPROVANTE CRÉDITO OU DÉBITO"), std::string::npos) << tape;
    EXPECT_NE(tape.find("*** N O T A   P R O M I S S O R I A  ***"), std::string::npos) << tape;
    EXPECT_NE(tape.find("CCF: " + std::string(6 - std::to_string(ccf_).size(), '0') +
                        std::to_string(ccf_)),
              std::string::npos);
    EXPECT_NE(tape.find("0002   05/02/27        34,00"), std::string::npos) << tape;
    EXPECT_NE(tape.find("RUA DAS PALMEIRAS, 45 45 APTO 3"), std::string::npos) << tape;
    EXPECT_NE(tape.find("CPF....: 529.982.247-25 RG: 12345678 SSP"), std::string::npos) << tape;
    EXPECT_NE(tape.find("Parcelas:"), std::string::npos);
    EXPECT_EQ(tape.find("2ª VIA"), std::string::npos);
    EXPECT_EQ(documents(), "CC 100.00 " + std::to_string(ccf_));
    EXPECT_TRUE(messages().empty()) << messages().front();
}

// With the setting never written, the sale prints the promissory note (its
// default is 1), and the recovery of a voucher left unregistered by a power
// failure takes the same default, so the voucher printed is registered.
TEST_F(SaleDocuments, TheRecoveryRegistersTheVoucherUnderTheSameDefaultAsTheSale) {
    close_coupon(true);
    sale::print_sale_documents(id_, "CREDIARIO");
    const std::string registered = "CC 100.00 " + std::to_string(ccf_);
    ASSERT_EQ(documents(), registered);
    ASSERT_EQ(QUERYSQL("DELETE FROM balcora.docecf;"), "1");  // the power went here
    sale::register_voucher_left_unregistered();
    EXPECT_EQ(documents(), registered);
}

TEST_F(SaleDocuments, AcknowledgementCarriesTheSecondCopyWhenItIsAsked) {
    settings("2", "1");
    close_coupon(true);
    sale::print_sale_documents(id_, "CREDIARIO LOJA");

    const std::string tape = printed();
    EXPECT_NE(tape.find("CREDIARIO LOJA"), std::string::npos) << tape;
    EXPECT_NE(tape.find("RECONHECO E PAGAREI A DIVIDA  CONFORME"), std::string::npos) << tape;
    EXPECT_NE(tape.find("2ª VIA - CUPOM FISCAL # " + std::to_string(coo_)), std::string::npos)
        << tape;
    EXPECT_NE(tape.find("PRODUTO 100"), std::string::npos) << tape;
    EXPECT_EQ(occurrences(tape, "COMPROVANTE CRÉDITO OU DÉBITO"), 1);
    EXPECT_EQ(documents(), "CC 100.00 " + std::to_string(ccf_));
}

TEST_F(SaleDocuments, SecondCopyAloneIsAManagementReportRegisteredWithoutAmount) {
    settings("0", "2");
    close_coupon(false);
    sale::print_sale_documents(id_, "Dinheiro");

    const std::string tape = printed();
    EXPECT_NE(tape.find("RELATÓRIO GERENCIAL"), std::string::npos) << tape;
    EXPECT_NE(tape.find("2ª VIA - CUPOM FISCAL # " + std::to_string(coo_)), std::string::npos);
    EXPECT_NE(tape.find("T O T A L"), std::string::npos);
    EXPECT_NE(tape.find("529.982.247-25 JOAO DA SILVA"), std::string::npos) << tape;
    EXPECT_EQ(documents(), "RG 0.00 0");
}

TEST_F(SaleDocuments, NothingIsPrintedWithoutCreditOrWithoutTheSecondCopySetting) {
    settings("1", "2");
    close_coupon(false);
    // A cash sale has no note, and the second copy goes with the note only.
    sale::print_sale_documents(id_, "Dinheiro");
    settings("3", "1");
    sale::print_sale_documents(id_, "Dinheiro");
    EXPECT_EQ(printed(), "");
    EXPECT_EQ(documents(), "");
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(SaleDocuments, ARefusedOpeningIsTriedAgainWhenTheOperatorSaysYes) {
    settings("1", "0");
    close_coupon(true);
    refuse_next(ecf::CMD_OPEN_CREDIT_VOUCHER);
    prompt_.answer(true);
    sale::print_sale_documents(id_, "CREDIARIO");

    EXPECT_EQ(questions(), 1);
    const auto& shown = prompt_.shown();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().kind, "confirm");
    EXPECT_EQ(shown.back().title, "ATENÇÃO!");
    EXPECT_EQ(occurrences(printed(), "N O T A   P R O M I S S O R I A"), 1);
    EXPECT_EQ(documents(), "CC 100.00 " + std::to_string(ccf_));
}

TEST_F(SaleDocuments, AnInterruptedReportIsClosedAndPrintedWholeAgain) {
    settings("0", "2");
    close_coupon(false);
    refuse_next(ecf::CMD_REPORT_LINE);
    prompt_.answer(true);
    sale::print_sale_documents(id_, "Dinheiro");

    EXPECT_EQ(questions(), 1);
    const std::string tape = printed();
    // The first report was closed after its header; the second one is whole.
    EXPECT_EQ(occurrences(tape, "RELATÓRIO GERENCIAL"), 2) << tape;
    EXPECT_EQ(occurrences(tape, "2ª VIA - CUPOM FISCAL"), 1) << tape;
    EXPECT_EQ(documents(), "RG 0.00 0");
}

TEST_F(SaleDocuments, GivingUpClosesTheVoucherSoThePrinterTakesTheNextDocument) {
    settings("1", "0");
    close_coupon(true);
    refuse_next(ecf::CMD_VOUCHER_LINE);
    sale::print_sale_documents(id_, "CREDIARIO");  // the script answers No

    EXPECT_EQ(questions(), 1);
    EXPECT_EQ(documents(), "");
    EXPECT_TRUE(ecf::send(ecf::CMD_OPEN_REPORT, {"RG"})) << testing::PrintToString(messages());
    EXPECT_TRUE(ecf::send(ecf::CMD_CLOSE_REPORT));
}

TEST_F(SaleDocuments, AVoucherThePrinterWillNotOpenAgainEndsOnTheOperatorsNo) {
    // The printer links one voucher per credit: after a half-printed one it
    // refuses another, and the operator is asked until they give up.
    settings("2", "0");
    close_coupon(true);
    refuse_next(ecf::CMD_VOUCHER_LINE);
    prompt_.answer(true);
    prompt_.answer(false);
    sale::print_sale_documents(id_, "CREDIARIO");

    EXPECT_EQ(questions(), 2);
    EXPECT_EQ(documents(), "");
}

TEST_F(SaleDocuments, TheCardModeIsOffWhileTheOperatorIsAskedAndBackForTheNewTry) {
    settings("0", "2");
    close_coupon(false);
    ASSERT_TRUE(ecf::send(ecf::CMD_TEF_MODE_ON));
    glo::modotef_ativo = 1;
    refuse_next(ecf::CMD_OPEN_REPORT);
    prompt_.answer(true);
    sale::print_sale_documents(id_, "Dinheiro");
    EXPECT_EQ(questions(), 1);
    EXPECT_EQ(glo::modotef_ativo, 1);
    EXPECT_EQ(documents(), "RG 0.00 0");

    // Given up: the mode stays off.
    refuse_next(ecf::CMD_OPEN_REPORT);
    sale::print_sale_documents(id_, "Dinheiro");
    EXPECT_EQ(questions(), 2);
    EXPECT_EQ(glo::modotef_ativo, 0);
    EXPECT_EQ(documents(), "RG 0.00 0");
}

TEST_F(SaleDocuments, LoadersReadTheClientWithItsMunicipalityAndTheInstalmentsInOrder) {
    settings("1", "0");
    close_coupon(true);
    const auto s = sale::load_credit_sale(id_);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->company.razao_social, "MERCADINHO BALCORA LTDA");
    EXPECT_EQ(s->company.municipio + "/" + s->company.estado, "SAO PAULO/SP");
    ASSERT_TRUE(s->client);
    EXPECT_EQ(s->client->house_number, "45");
    EXPECT_EQ(s->client->identity, "12345678 SSP");
    EXPECT_FALSE(s->client->company);
    ASSERT_EQ(s->instalments.size(), 3u);
    EXPECT_EQ(s->instalments[1].amount, cents(3400));
    EXPECT_EQ(s->instalments[2].due, util::day_number(2027, 3, 7));
    EXPECT_EQ(s->credit_total(), cents(10000));

    // A client removed since the sale leaves only the coupon's own data.
    ASSERT_EQ(QUERYSQL("DELETE FROM balcora.cliente WHERE id_cliente=1;"), "1");
    const auto copy = sale::load_second_copy(id_);
    ASSERT_TRUE(copy);
    EXPECT_FALSE(copy->client);
    ASSERT_EQ(copy->items.size(), 1u);
    EXPECT_EQ(copy->items[0].code, kHundred);
    EXPECT_EQ(copy->items[0].description, "PRODUTO 100");
    EXPECT_EQ(copy->total, cents(10000));
    EXPECT_FALSE(sale::load_credit_sale(id_ + 1000));
}

}  // namespace balcora::test
