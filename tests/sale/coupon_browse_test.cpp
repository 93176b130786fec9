#include "sale/coupon_browse.h"
#include "db/literals.h"
#include "globals/checkout_state.h"
#include "sale/coupon_procedures.h"
#include "sale/sale_gates.h"
#include "sale/sale_screen_fixture.h"
#include "util/calendar.h"
#include "util/fixed_point_text.h"

namespace balcora::test {

using sale::BrowseTab;
using sale::SituationFilter;

namespace {

util::DayNumber day(int d) {
    return util::day_number(2026, 12, d);  // 7 December 2026 is a Monday
}

}  // namespace

TEST(BackOfficeFreshness, DaysCountFromTheLastUpdateToYesterdayInWorkingDays) {
    // Sunday: no working day since, n = 1.
    EXPECT_EQ(sale::days_without_back_office(day(7), day(6), true, day(7)), 1);
    // Friday, then the weekend: n = 2.
    EXPECT_EQ(sale::days_without_back_office(day(7), day(4), true, day(7)), 2);
    // Thursday and Friday: n = 3.
    EXPECT_EQ(sale::days_without_back_office(day(7), day(3), true, day(7)), 3);
}

TEST(BackOfficeFreshness, NoCountWhenTheCheckDoesNotApply) {
    EXPECT_FALSE(sale::days_without_back_office(day(7), 0, true, day(7)));
    EXPECT_FALSE(sale::days_without_back_office(day(7), day(7), true, day(7)));
    EXPECT_FALSE(sale::days_without_back_office(day(7), day(3), false, day(7)));
    EXPECT_FALSE(sale::days_without_back_office(day(7), day(3), true, day(4)));
    // Saturday is no working day.
    EXPECT_FALSE(sale::days_without_back_office(day(12), day(3), true, day(12)));
}

TEST(BackOfficeFreshness, SettingDatesInEveryFormTheyAreWritten) {
    EXPECT_EQ(util::parse_setting_day("04/12/2026"), day(4));
    EXPECT_EQ(util::parse_setting_day("2026-12-04"), day(4));
    EXPECT_EQ(util::parse_setting_day(std::to_string(day(4))), day(4));
    EXPECT_EQ(util::parse_setting_day("0"), 0);
    EXPECT_EQ(util::parse_setting_day(""), 0);
    EXPECT_EQ(util::parse_setting_day("ontem"), 0);
}

class CouponBrowseTest : public SaleScreenFixture {
  protected:
    void SetUp() override {
        SaleScreenFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        glo::id_empresa = demo::kCompanyId;
    }
    // A stored coupon, as the sale screens leave one.
    void add_coupon(int coo, const std::string& date, const std::string& situacao,
                    const std::string& cliente, const std::string& total,
                    int company = demo::kCompanyId) {
        ASSERT_EQ(
            QUERYSQL("INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, numero, data, "
                     "id_cliente, total, situacao, hr_emissao_final) VALUES (" +
                     std::to_string(company) + ", 1, " + std::to_string(coo) + ", " + TXTSQL(date) +
                     ", " + cliente + ", " + total + ", " + TXTSQL(situacao) + ", '10:15:00');"),
            "1");
    }
    std::vector<std::string> coos() const {
        std::vector<std::string> out;
        for (const auto& r : browse_.rows()) out.push_back(r.coo);
        return out;
    }
    sale::CouponBrowse browse_{checkout_};
};

TEST_F(CouponBrowseTest, OpensThePortAndHoldsThePrinterWindowUntilClosed) {
    ASSERT_TRUE(browse_.open());
    // Nothing left open on the printer: asked, nothing closed.
    EXPECT_EQ(sent(), (std::vector<std::int32_t>{ecf::CMD_OPEN_PORT, ecf::CMD_READ_COUPON_STATE}));
    EXPECT_EQ(checkout_.jan_ecf_aberta, 1);
    EXPECT_FALSE(browse_.pre_sale_button());
    EXPECT_FALSE(browse_.spool_button());

    sale::CouponBrowse second{checkout_};
    EXPECT_FALSE(second.open());
    EXPECT_EQ(messages(), std::vector<std::string>{sale::kPrinterWindowOpen});

    EXPECT_FALSE(browse_.application_may_close());
    EXPECT_EQ(messages().back(),
              "Favor fechar janela do cupom fiscal antes de finalizar o aplicativo!");
    browse_.close();
    EXPECT_EQ(sent().back(), ecf::CMD_CLOSE_PORT);
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);
    EXPECT_TRUE(browse_.application_may_close());
}

TEST_F(CouponBrowseTest, ButtonsFollowTheirSettings) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "PreVenda", "1"));
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "DAV", "1"));
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "S"));
    ASSERT_TRUE(browse_.open());
    EXPECT_TRUE(browse_.pre_sale_button());
    EXPECT_TRUE(browse_.spool_button());
    EXPECT_TRUE(browse_.tef_active());
}

TEST_F(CouponBrowseTest, BlocoXBlocksOnlyOnceItApplies) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", std::string("PAF-ECF.") + demo::kPrinterSerial,
                              "ECF Bloqueado.BlocoX.RedZ", "1"));
    glo::dtenvredz = day(8);
    ASSERT_TRUE(browse_.open());
    browse_.close();
    glo::dtenvredz = day(7);
    EXPECT_FALSE(browse_.open());
    EXPECT_EQ(messages(), std::vector<std::string>{sale::kBlocoXBlocked});
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);
}

TEST_F(CouponBrowseTest, BackOfficeFreshnessWarnsThenBlocks) {
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "dt_com_t", "06/12/2026"));
    ASSERT_TRUE(browse_.open());
    browse_.close();
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "dt_com_t", "04/12/2026"));
    ASSERT_TRUE(browse_.open());
    browse_.close();
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "PAF-ECF", "dt_com_t", "03/12/2026"));
    sent().clear();
    EXPECT_FALSE(browse_.open());
    EXPECT_EQ(messages(),
              (std::vector<std::string>{
                  "ECF vai ser bloqueado em 2 dia(s) por falta de atualização da Retaguarda!",
                  "ECF vai ser bloqueado em 1 dia(s) por falta de atualização da Retaguarda!",
                  "ECF bloqueado por esta 3 dias sem atualizar a Retaguarda!"}));
    EXPECT_TRUE(sent().empty());
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);

    // The option off, or the day opened earlier, lifts the check.
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Atualiza Estoque Retaguarda", "0"));
    EXPECT_TRUE(browse_.open());
}

TEST_F(CouponBrowseTest, TheListShowsConsumersCancellationsAndFilters) {
    add_coupon(12, "2026-12-05", "E", "NULL", "10.00");
    add_coupon(13, "2026-12-06", "C", "2", "20.50");
    add_coupon(14, "2026-12-07", "E", "1", "5.25");
    add_coupon(15, "2026-12-07", "E", "NULL", "1.00", 2);  // another company's
    ASSERT_TRUE(browse_.open());
    ASSERT_TRUE(browse_.refresh());
    ASSERT_EQ(coos(), (std::vector<std::string>{"000014", "000013", "000012"}));
    const auto& rows = browse_.rows();
    EXPECT_EQ(rows[0].cliente, "JOAO DA SILVA");
    EXPECT_EQ(rows[0].data, "07/12/2026");
    EXPECT_EQ(rows[0].hora, "10:15:00");
    EXPECT_EQ(util::to_br(rows[0].total), "5,25");
    EXPECT_EQ(rows[1].cliente, "*** CANCELADO *** MARIA APARECIDA SANTOS");
    EXPECT_TRUE(rows[1].cancelled);
    EXPECT_EQ(rows[2].cliente, "CONSUMIDOR");

    browse_.set_situation(SituationFilter::kIssued);
    browse_.refresh();
    EXPECT_EQ(coos(), (std::vector<std::string>{"000014", "000012"}));
    browse_.set_situation(SituationFilter::kCancelled);
    browse_.refresh();
    EXPECT_EQ(coos(), std::vector<std::string>{"000013"});

    // A COO wants that coupon whatever became of it.
    browse_.set_coo_filter("0012");
    EXPECT_EQ(browse_.situation(), SituationFilter::kAll);
    browse_.refresh();
    EXPECT_EQ(coos(), std::vector<std::string>{"000012"});
    browse_.set_coo_filter("1'; DROP TABLE x; --");
    EXPECT_EQ(browse_.coo_filter(), "1");
    browse_.set_coo_filter("");

    browse_.set_tab(BrowseTab::kByCustomer);
    browse_.refresh();
    EXPECT_EQ(coos(), (std::vector<std::string>{"000012", "000014", "000013"}));
    browse_.set_tab(BrowseTab::kByCoo);
    browse_.refresh();
    EXPECT_EQ(coos(), (std::vector<std::string>{"000014", "000013", "000012"}));
}

TEST_F(CouponBrowseTest, ANewCouponNeedsTheDayOpenTodayAndThePrinterReady) {
    ASSERT_TRUE(browse_.open());
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='F';"), "1");
    EXPECT_FALSE(browse_.may_start_coupon());
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='A', data_sit='2026-12-06';"), "1");
    EXPECT_FALSE(browse_.may_start_coupon());
    EXPECT_EQ(messages(),
              (std::vector<std::string>{
                  "Caixa não está aberto!",
                  "Data atual não confere com data da abertura (06/12/2026) do caixa!"}));
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET data_sit='2026-12-07';"), "1");
    sent().clear();
    EXPECT_TRUE(browse_.may_start_coupon());
    EXPECT_EQ(sent(),
              (std::vector<std::int32_t>{ecf::CMD_CHECK_SALE_STATE, ecf::CMD_CHECK_PRINTER}));
}

TEST_F(CouponBrowseTest, PreSaleSpoolAndCancellationGoToTheirModules) {
    ASSERT_TRUE(browse_.open());
    browse_.pre_sale();
    browse_.spool();
    EXPECT_EQ(messages(), (std::vector<std::string>{
                              "Pré-venda (CONSULTAPV) ainda não disponível nesta versão.",
                              "Spool ECF (SPOOLECF) ainda não disponível nesta versão."}));

    struct Cancellations : sale::CouponProcedures {
        std::vector<std::int64_t> cancelled;
        bool cancel_selected_coupon(CheckoutState&, std::int64_t id) override {
            cancelled.push_back(id);
            return true;
        }
    } procedures;
    service_port_.provide<sale::CouponProcedures>(&procedures);
    std::vector<std::int64_t>& cancelled = procedures.cancelled;
    EXPECT_TRUE(browse_.cancel(42));
    EXPECT_EQ(cancelled, std::vector<std::int64_t>{42});

    // The pre-sale waits for the same checks as a new coupon.
    int pre_sales = 0;
    screens_.provide("CONSULTAPV",
                     [&pre_sales](const ui::ScreenPort::Arguments&) { return ++pre_sales; });
    ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='F';"), "1");
    browse_.pre_sale();
    EXPECT_EQ(pre_sales, 0);
}

TEST_F(CouponBrowseTest, TheFirstDisplayRecoversByTheCardPathWhenACardWasLeftPending) {
    ASSERT_TRUE(browse_.open());
    struct Recovery : sale::CouponProcedures {
        std::vector<bool> paths;
        bool recover_open_coupon(CheckoutState&, bool card) override {
            paths.push_back(card);
            return false;  // the recovery failed: the browse closes
        }
    } recovery;
    service_port_.provide<sale::CouponProcedures>(&recovery);
    const std::vector<bool>& paths = recovery.paths;
    glo::cf_aberto = 2;
    browse_.first_display();
    EXPECT_EQ(paths, std::vector<bool>{true});
    EXPECT_FALSE(browse_.is_open());
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);
}

}  // namespace balcora::test
