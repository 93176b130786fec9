#include "db/record_hash.h"
#include "db/settings.h"
#include "ecf/printer.h"
#include "sale/sale_fixture.h"
#include "sale/sale_session.h"
#include "support/amounts.h"
#include "util/ean.h"

namespace balcora::test {

using sale::Registration;

namespace {

std::string with_dv(const std::string& digits) {
    return digits + std::to_string(CALC_DV(digits));
}

const std::string kCoffee = with_dv("789100031550");  // 18.90, 18 %
const std::string kRice = with_dv("789600044700");    // 27.49, 7 %

}  // namespace

class QuickSale : public SaleFixture {
  protected:
    void SetUp() override {
        SaleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_TRUE(session_.load_point_of_sale());
    }

    // Everything a refusal must leave as it was.
    struct Picture {
        std::int64_t coupon = 0;
        std::size_t items = 0;
        sale::CouponTotals totals;
        std::string tape;
        int coupon_rows = 0, item_rows = 0, live_items = 0;
        std::string stored_total;
        int cf_aberto = 0;
        bool operator==(const Picture&) const = default;
    };
    Picture picture() {
        return {session_.coupon_id(),
                session_.items().size(),
                session_.totals(),
                session_.tape().text(),
                count("balcora.cfiscal"),
                count("balcora.cfiscald"),
                count("balcora.cfiscald WHERE item_cancelado=0"),
                value("SELECT total FROM balcora.cfiscal ORDER BY id_cfiscal DESC LIMIT 1"),
                glo::cf_aberto};
    }
    void expect_hashes_intact() {
        for (const char* table : {"cfiscal", "cfiscald"})
            for (auto [id, ok] : db::verify_hashes(table)) EXPECT_TRUE(ok) << table << " " << id;
    }

    sale::SaleSession session_{checkout_, sale::SaleScreen::kQuickSale};
};

// A commit that fails after the printer opened the coupon (a connection lost
// at that moment) keeps no row, and the globals follow the printer.
TEST_F(QuickSale, ACouponRowLostAtTheCommitLeavesTheGlobalsAsThePrinterSays) {
    ASSERT_EQ(QUERYSQL("CREATE FUNCTION balcora.t_fail() RETURNS trigger LANGUAGE plpgsql AS "
                       "$$BEGIN RAISE EXCEPTION 'commit recusado'; END$$;"),
              "1");
    ASSERT_EQ(QUERYSQL("CREATE CONSTRAINT TRIGGER t_fail AFTER INSERT ON balcora.cfiscal "
                       "DEFERRABLE INITIALLY DEFERRED FOR EACH ROW EXECUTE FUNCTION "
                       "balcora.t_fail();"),
              "1");
    EXPECT_EQ(session_.enter_code(kCoffee), Registration::kRefused);
    EXPECT_EQ(count("balcora.cfiscal"), 0);
    EXPECT_EQ(session_.coupon_id(), 0);
    EXPECT_EQ(glo::cf_aberto, 1) << "the printer has the coupon open";
}

TEST_F(QuickSale, TheFirstItemOpensTheCouponAndBothAreCommittedWithTheirHashes) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Data Estoque", "2026-12-09"));
    ASSERT_EQ(session_.enter_code("3*" + kCoffee), Registration::kRegistered);
    EXPECT_TRUE(messages().empty()) << messages().front();

    const auto id = session_.coupon_id();
    ASSERT_GT(id, 0);
    EXPECT_EQ(glo::cf_aberto, 1);
    EXPECT_EQ(checkout_.fp_iniciada, 0);
    const std::string where = " FROM balcora.cfiscal WHERE id_cfiscal=" + std::to_string(id);
    db::SqlRecord r;
    ASSERT_EQ(QUERYSQL("SELECT id_empresa, id_maqecf, data, situacao, op_emissao, id_cliente IS "
                       "NULL AND id_vendedor IS NULL, total, comissao, dt_emissao_final, "
                       "hr_emissao_final, numero, num_ccf, num_cro" +
                           where,
                       r),
              "1");
    EXPECT_EQ(r.C(1), "1");
    EXPECT_EQ(r.C(2), "1");
    EXPECT_EQ(r.C(3), "2026-12-07");
    EXPECT_EQ(r.C(4), "E");
    EXPECT_EQ(r.C(5), "ana");
    EXPECT_EQ(r.C(6), "t");
    EXPECT_EQ(r.C(7), "56.70");
    EXPECT_EQ(r.C(8), "0.00");
    EXPECT_EQ(r.C(9), "2026-12-07");
    EXPECT_EQ(r.C(10), "10:00:00");
    // The counters the printer gives for the coupon it opened.
    ASSERT_TRUE(ecf::send(ecf::CMD_READ_COUNTERS));
    EXPECT_EQ(r.C(11), std::to_string(n_coo));
    EXPECT_EQ(r.C(12), std::to_string(n_ccf));
    EXPECT_EQ(r.C(13), std::to_string(n_cro));
    EXPECT_EQ(session_.coupon().numero, n_coo);

    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "id_cfiscal"), std::to_string(id));
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "Data Estoque"), "2026-12-07");

    ASSERT_EQ(QUERYSQL("SELECT num_item, id_produto, preco, qtdade, total, vl_acrescimo, "
                       "vl_desconto, st, aliquota, vl_base, vl_imposto, item_cancelado, comissao, "
                       "descricao, unidade, totalizador, vl_pis, vl_cofins, vl_trib_fed, "
                       "vl_trib_est, vl_trib_mun FROM balcora.cfiscald WHERE id_cfiscal=" +
                           std::to_string(id),
                       r),
              "1");
    const std::vector<std::string> expected = {
        "1",  "1",       "18.900", "3.000", "56.70", "0.00",  "0.00",
        "T",  "18.00",   "56.70",  "10.20", "0",     "0.00",  "CAFE TORRADO E MOIDO 500G",
        "UN", "01T1800", "0.93",   "4.30",  "7.62",  "10.20", "0.00"};
    for (int k = 1; k <= 21; ++k) EXPECT_EQ(r.C(k), expected[k - 1]) << "column " << k;
    EXPECT_FALSE(r.next());
    expect_hashes_intact();
    EXPECT_NE(value("SELECT hash" + where), "");

    // What the screen shows: the tape, the total, the product.
    ASSERT_EQ(session_.tape().entries().size(), 1u);
    EXPECT_EQ(session_.tape().entries()[0].line1.substr(0, 23), "0001   " + kCoffee + "   ");
    EXPECT_EQ(session_.totals().total, cents(5670));
    EXPECT_TRUE(session_.shown().has_product);
    EXPECT_EQ(session_.shown().quantity, thousandths(3000));
    EXPECT_EQ(session_.shown().total, cents(5670));

    EXPECT_NE(paper().find("001 " + kCoffee + " CAFE TORRADO E MOIDO 500G"), std::string::npos)
        << paper();
}

TEST_F(QuickSale, FollowingItemsJoinTheOpenCouponAndTheTotalsFollow) {
    ASSERT_EQ(session_.enter_code(kCoffee), Registration::kRegistered);
    const auto id = session_.coupon_id();
    ASSERT_EQ(session_.enter_code(kRice, thousandths(2000)), Registration::kRegistered);
    ASSERT_EQ(session_.enter_code("0,333x" + kRice), Registration::kRegistered);
    EXPECT_EQ(session_.coupon_id(), id);
    EXPECT_EQ(count("balcora.cfiscal"), 1);
    ASSERT_EQ(session_.items().size(), 3u);
    EXPECT_EQ(session_.items()[2].num_item, 3);
    EXPECT_EQ(session_.items()[1].qtdade, thousandths(2000));
    EXPECT_EQ(session_.items()[2].total, cents(915));  // 0.333 x 27.49 = 9.15417
    // 18.90 + 54.98 + 9.15
    EXPECT_EQ(session_.totals().total, cents(8303));
    EXPECT_EQ(value("SELECT total FROM balcora.cfiscal"), "83.03");
    EXPECT_EQ(session_.tape().entries().size(), 3u);
    expect_hashes_intact();
}

TEST_F(QuickSale, EightDigitEanReachesThePrinterZeroFilledToThirteen) {
    add_product(22, "P22", "12345670", "2.00");
    ASSERT_EQ(session_.enter_code("12345670"), Registration::kRegistered);
    EXPECT_NE(paper().find("001 0000012345670 PRODUTO 22"), std::string::npos) << paper();
    EXPECT_EQ(session_.tape().entries()[0].line1.substr(7, 13), "0000012345670");
}

TEST_F(QuickSale, AProductWithoutBarcodeIsPrintedWithItsInternalCode) {
    // Bananas: 1.5 kg from a weight label, found by the product's id.
    const std::string label = with_dv("200110001500");
    ASSERT_EQ(session_.enter_code(label), Registration::kRegistered);
    EXPECT_EQ(session_.items()[0].qtdade, thousandths(1500));
    EXPECT_EQ(session_.items()[0].total, cents(1047));  // 1.5 x 6.98
    EXPECT_NE(paper().find("001 0000000000011 BANANA PRATA KG"), std::string::npos) << paper();
}

TEST_F(QuickSale, ScaleLabelsAndPackFactorsSetTheQuantity) {
    add_product(123, "P123", with_dv("000000000123"), "10.00");
    ASSERT_EQ(session_.enter_code(with_dv("201230001500")), Registration::kRegistered);
    EXPECT_EQ(session_.items().back().qtdade, thousandths(1500));

    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Etiqueta Balança", "2"));
    ASSERT_TRUE(session_.load_point_of_sale());
    ASSERT_EQ(session_.enter_code(with_dv("201230001234")), Registration::kRegistered);
    EXPECT_EQ(session_.items().back().qtdade, thousandths(1234));
    EXPECT_EQ(session_.items().back().total, cents(1234));

    // The six-pack: six cans a scan; two scans typed as a prefix are twelve.
    const std::string six_pack = with_dv("789409410099");
    ASSERT_EQ(session_.enter_code(six_pack), Registration::kRegistered);
    EXPECT_EQ(session_.items().back().qtdade, thousandths(6000));
    EXPECT_EQ(session_.items().back().id_produto, 5);
    ASSERT_EQ(session_.enter_code("2*" + six_pack), Registration::kRegistered);
    EXPECT_EQ(session_.items().back().qtdade, thousandths(12000));
}

TEST_F(QuickSale, RefusalsShowTheirMessageAndWriteNothing) {
    add_product(50, "NOUNIT", "", "1.00");
    add_product(51, "NOPRICE", "", "0");
    add_product(52, "NOTAX", "", "1.00");
    add_product(53, "BADTAX", "", "1.00");
    ASSERT_EQ(QUERYSQL("UPDATE balcora.produto SET unidade='', preco_venda1=0 WHERE id_produto=50;"
                       " UPDATE balcora.produto SET ecf_cod_st='' WHERE id_produto=52;"
                       " UPDATE balcora.produto SET ecf_st='X' WHERE id_produto=53;"),
              "1");
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"123456789", "Código do produto inexistente!"},
        {with_dv("298760001500"),
         "Código (" + with_dv("298760001500") + ") do produto inexistente!"},
        {"3*", "Produto inválido!"},
        {"NOUNIT", "Produto sem unidade cadastrada!"},  // and no price: the unit is told first
        {"0*" + kCoffee, "Quantidade inválida!"},
        {"-2*" + kCoffee, "Quantidade inválida!"},
        {"abc*" + kCoffee, "Quantidade inválida!"},
        {"999999999*" + kCoffee, "Quantidade inválida!"},
        {with_dv("200110000000"), "Quantidade inválida!"},  // a weight label of nothing
        {"NOPRICE", "Preço do produto inválido!"},
        {"NOTAX", "Situação tributária do produto é inválida!"},
        {"BADTAX", "Situação tributária do produto é inválida!"},
    };
    for (const auto& [code, message] : cases) {
        prompt_.clear();
        EXPECT_NE(session_.enter_code(code), Registration::kRegistered) << code;
        ASSERT_EQ(prompt_.shown().size(), 2u) << code;
        EXPECT_EQ(prompt_.shown()[0].kind, "beep");
        EXPECT_EQ(prompt_.shown()[1].text, message) << code;
    }
    EXPECT_EQ(count("balcora.cfiscal"), 0);
    EXPECT_EQ(count("balcora.cfiscald"), 0);
    EXPECT_EQ(glo::cf_aberto, 0);
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "id_cfiscal", "none"), "none");
    EXPECT_EQ(paper().find("CUPOM FISCAL"), std::string::npos);
}

TEST_F(QuickSale, AnUnknownCodeTellsTheScreenToClearTheQuantity) {
    ASSERT_EQ(session_.enter_code(kCoffee), Registration::kRegistered);
    const auto before = session_.tape().text();
    EXPECT_EQ(session_.enter_code("5*0000"), Registration::kNotFound);
    EXPECT_FALSE(session_.shown().has_product);
    EXPECT_EQ(session_.tape().text(), before);
}

TEST_F(QuickSale, NothingIsSoldWhileTheDayIsClosed) {
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='F';"), "1");
    EXPECT_EQ(session_.enter_code(kCoffee), Registration::kDayClosed);
    EXPECT_EQ(messages(), std::vector<std::string>{"Caixa não esta aberto!"});
    EXPECT_EQ(count("balcora.cfiscal"), 0);

    // Opened meanwhile by the day functions: the next code sees it.
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='A';"), "1");
    EXPECT_EQ(session_.enter_code(kCoffee), Registration::kRegistered);
}

TEST_F(QuickSale, APrinterThatRefusesToOpenTheCouponLeavesNoTrace) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "Data Estoque", "2026-12-09"));
    const Picture before = picture();
    refuse_next(ecf::CMD_OPEN_COUPON);
    EXPECT_EQ(session_.enter_code(kCoffee), Registration::kRefused);
    EXPECT_EQ(picture(), before);
    EXPECT_EQ(session_.coupon_id(), 0);
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "id_cfiscal", "none"), "none");
    EXPECT_EQ(LEREGISTRO("balcora", "PAF-ECF", "Data Estoque"), "2026-12-09");
    EXPECT_FALSE(messages().empty());  // the driver said why

    // The next try gets the numbers the printer really gives.
    ASSERT_EQ(session_.enter_code(kCoffee), Registration::kRegistered);
    ASSERT_TRUE(ecf::send(ecf::CMD_READ_COUNTERS));
    EXPECT_EQ(session_.coupon().numero, n_coo);
    expect_hashes_intact();
}

TEST_F(QuickSale, APrinterThatRefusesAnItemLeavesTheCouponAsItWas) {
    ASSERT_EQ(session_.enter_code(kCoffee), Registration::kRegistered);
    const Picture before = picture();
    refuse_next(ecf::CMD_SELL_ITEM);
    prompt_.clear();
    EXPECT_EQ(session_.enter_code(kRice), Registration::kRefused);
    EXPECT_EQ(picture(), before);
    EXPECT_FALSE(messages().empty());
    expect_hashes_intact();

    // Numbering stays in step with the printer: its item 2 is the next one.
    ASSERT_EQ(session_.enter_code(kRice), Registration::kRegistered);
    EXPECT_EQ(session_.items().back().num_item, 2);
    prompt_.answer(true);
    EXPECT_TRUE(session_.cancel_item(2));
    EXPECT_NE(paper().find("CANCELAMENTO ITEM 002"), std::string::npos) << paper();
}

TEST_F(QuickSale, AFirstItemRefusedLeavesTheAcceptedCouponEmpty) {
    refuse_next(ecf::CMD_SELL_ITEM);
    EXPECT_EQ(session_.enter_code(kCoffee), Registration::kRefused);
    EXPECT_EQ(count("balcora.cfiscal"), 1);
    EXPECT_EQ(count("balcora.cfiscald"), 0);
    EXPECT_EQ(glo::cf_aberto, 1);
    EXPECT_EQ(value("SELECT total FROM balcora.cfiscal"), "0.00");
    EXPECT_TRUE(session_.tape().empty());
    ASSERT_EQ(session_.enter_code(kCoffee), Registration::kRegistered);
    EXPECT_EQ(session_.items().front().num_item, 1);
}

TEST_F(QuickSale, ItemCancellationAsksConfirmsAndKeepsPrinterAndDatabaseTogether) {
    ASSERT_EQ(session_.enter_code(kCoffee), Registration::kRegistered);
    ASSERT_EQ(session_.enter_code("2*" + kRice), Registration::kRegistered);

    prompt_.clear();
    EXPECT_FALSE(session_.cancel_item(7));
    EXPECT_EQ(messages(), std::vector<std::string>{"Número do item inválido."});

    prompt_.clear();
    prompt_.answer(false);
    EXPECT_FALSE(session_.cancel_item(2));
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].kind, "confirm");
    EXPECT_EQ(prompt_.shown()[0].title, "Confirme");
    EXPECT_EQ(prompt_.shown()[0].text, "Confirma cancelar o item nº 2?");
    EXPECT_EQ(count("balcora.cfiscald WHERE item_cancelado=1"), 0);

    const Picture before = picture();
    refuse_next(ecf::CMD_CANCEL_ITEM);
    prompt_.answer(true);
    EXPECT_FALSE(session_.cancel_item(2));
    EXPECT_EQ(picture(), before);
    expect_hashes_intact();

    prompt_.clear();
    prompt_.answer(true);
    ASSERT_TRUE(session_.cancel_item(2));
    EXPECT_EQ(count("balcora.cfiscald WHERE item_cancelado=1 AND num_item=2"), 1);
    EXPECT_EQ(session_.totals().total, cents(1890));
    EXPECT_EQ(value("SELECT total FROM balcora.cfiscal"), "18.90");
    ASSERT_EQ(session_.tape().entries().size(), 3u);
    EXPECT_EQ(session_.tape().entries()[2], sale::item_cancelled_entry(2, cents(5498)));
    expect_hashes_intact();

    prompt_.clear();
    EXPECT_FALSE(session_.cancel_item(2));
    EXPECT_EQ(messages(), std::vector<std::string>{"Item # 2 já foi cancelado!"});

    // The last live item cancelled: nothing left to total, nothing divided by zero.
    prompt_.answer(true);
    ASSERT_TRUE(session_.cancel_item(1));
    EXPECT_EQ(session_.totals(), sale::CouponTotals{});
    EXPECT_EQ(value("SELECT total || '/' || comissao FROM balcora.cfiscal"), "0.00/0.00");
}

TEST_F(QuickSale, ACompletedCouponGivesWayToANewOne) {
    ASSERT_EQ(session_.enter_code(kCoffee), Registration::kRegistered);
    const auto first = session_.coupon_id();
    // Payment and closing belong elsewhere; here the printer closes it.
    ASSERT_TRUE(ecf::send(ecf::CMD_START_CLOSING, {"000000000000000002"}));
    ASSERT_TRUE(
        ecf::send(ecf::CMD_PAYMENT, {"Dinheiro        0000000018900" + std::string(40, ' ')}));
    ASSERT_TRUE(ecf::send(ecf::CMD_CLOSE_COUPON, {std::string(255, ' ')}));
    glo::cf_aberto = 0;

    ASSERT_EQ(session_.enter_code(kRice), Registration::kRegistered);
    EXPECT_NE(session_.coupon_id(), first);
    EXPECT_EQ(session_.items().size(), 1u);
    EXPECT_EQ(session_.items()[0].num_item, 1);
    EXPECT_EQ(count("balcora.cfiscal"), 2);
}

TEST_F(QuickSale, AnOpenCouponCanBeResumed) {
    ASSERT_EQ(session_.enter_code(kCoffee), Registration::kRegistered);
    ASSERT_EQ(session_.enter_code(kRice), Registration::kRegistered);
    sale::SaleSession again(checkout_, sale::SaleScreen::kQuickSale);
    ASSERT_TRUE(again.load_point_of_sale());
    ASSERT_TRUE(again.resume_coupon(session_.coupon_id()));
    EXPECT_EQ(again.coupon().numero, session_.coupon().numero);
    EXPECT_EQ(again.tape().text(), session_.tape().text());
    EXPECT_EQ(again.totals(), session_.totals());
    ASSERT_EQ(again.enter_code(kCoffee), Registration::kRegistered);
    EXPECT_EQ(again.items().back().num_item, 3);
}

}  // namespace balcora::test
