// A whole day typed at the Quick Sale, through the program's own services,
// with the registers file built after every step: an honest shop never shows
// a record as tampered, not even in the middle of its day.
#include "backoffice/masterdata_screen.h"
#include "db/record_hash.h"
#include "demo/demo_data.h"
#include "ecf/cash_day_services.h"
#include "ecf/cash_movement_screen.h"
#include "ecf/day_opening.h"
#include "ecf/printer_functions_screen.h"
#include "fiscal/cash_day_services.h"
#include "fiscal/paf_registers.h"
#include "sale/called_procedures.h"
#include "sale/coupon_cancellation.h"
#include "sale/payment_screen.h"
#include "sale/quick_sale_screen.h"
#include "sale/sale_screen_fixture.h"
#include "support/test_backoffice.h"
#include "tef/card_manager.h"
#include "tef/card_manager_process.h"
#include "util/day_number.h"

#include <filesystem>

namespace balcora::test {

class HonestDay : public SaleScreenFixture {
  protected:
    void SetUp() override {
        SaleScreenFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='F', data_sit='2026-12-06';"), "1");
        add_product(9101, "9101", barcode("300000000011"), "10.00");
        add_product(9102, "9102", barcode("300000000012"), "20.00");
        // Sealed as the stock update seals them.
        ASSERT_EQ(QUERYSQL("UPDATE balcora.produto SET qtd_estoque=10 WHERE id_produto>9100"), "1");
        for (int p : {9101, 9102}) ASSERT_TRUE(db::store_hash("produto", p));
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "Docto Venda Prazo", "1"));
        screens_.provide("FUNCOESMAQECF", [this](const ui::ScreenPort::Arguments& args) {
            ecf::CashDayServices services = fiscal::cash_day_services();
            services.registers = [this](util::DayNumber day) {
                fiscal::RegistersRequest r;
                r.start = day;
                r.end = day;
                r.from_day_close = true;
                auto result = fiscal::generate_paf_registers(r);
                if (result.ok) closing_file_ = result.file;
                return result.ok;
            };
            return FUNCOESMAQECF(checkout_, args.at(0), services);
        });
        provide_day_windows("SA", "50,00");
        screens_.provide("FINALIZACUPOM", [this](const ui::ScreenPort::Arguments& args) {
            sale::PaymentScreen s{checkout_, args.at(0)};
            if (!s.open()) return 0;
            if (step_) std::exchange(step_, {})(s);
            return s.result();
        });
        ASSERT_TRUE(screen_.open());
        prompt_.clear();
    }

    void sell(const char* twelve) {
        screen_.code_field = barcode(twelve);
        ASSERT_EQ(screen_.enter(), sale::QuickSaleScreen::EnterResult::kRegistered)
            << testing::PrintToString(messages());
    }
    void pay(const char* key, std::function<void(sale::PaymentScreen&)> step) {
        step_ = std::move(step);
        ASSERT_TRUE(screen_.key(key));
    }

    // The lines of a registers file that carry the tampering mark.
    static std::vector<std::string> marked_lines(const std::string& file) {
        std::vector<std::string> out;
        std::ifstream in(file, std::ios::binary);
        for (std::string l; std::getline(in, l);)
            if (l.rfind("EAD", 0) != 0 && l.find('?') != std::string::npos) out.push_back(l);
        return out;
    }
    // The file of the day as the fiscal menu builds it now, with no mark.
    void expect_clean(const std::string& moment) {
        SCOPED_TRACE(moment);
        fiscal::RegistersRequest r;
        r.start = r.end = util::day_number(2026, 12, 7);
        const auto result = fiscal::generate_paf_registers(r);
        ASSERT_TRUE(result.ok) << testing::PrintToString(messages());
        EXPECT_EQ(marked_lines(result.file), std::vector<std::string>{});
        std::filesystem::remove(result.file);
    }

    std::function<void(sale::PaymentScreen&)> step_;
    sale::QuickSaleScreen screen_{checkout_};
    std::string closing_file_;
};

TEST_F(HonestDay, TheRegistersFileIsCleanAtEveryMomentOfTheDay) {
    prompt_.answer(true);
    ASSERT_TRUE(screen_.key("E"));
    ASSERT_EQ(screen_.status_text(), "ABERTO") << testing::PrintToString(messages());
    expect_clean("day opened");

    // Cash with change; then cash and store credit in instalments to a client.
    sell("300000000011");
    sell("300000000012");
    pay("Alt+1", [](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_amount_text("50,00"));
        s.confirm_payment();
    });
    ASSERT_FALSE(screen_.coupon_open()) << testing::PrintToString(messages());
    sell("300000000012");
    pay("Alt+1", [](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_amount_text("5,00"));
        s.confirm_payment();
    });
    pay("F10", [](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_client_code("1", {}));
        ASSERT_TRUE(s.set_form("CR"));
        ASSERT_TRUE(s.set_term_text(1, "30"));
        s.confirm_payment();
    });
    ASSERT_FALSE(screen_.coupon_open()) << testing::PrintToString(messages());
    // Ten per cent off, then voucher, agreement, cheque and PIX.
    sell("300000000011");
    pay("Alt+7", [](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_discount_percent_text("10"));
        s.confirm_adjustment();
    });
    pay("Alt+4", [](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_amount_text("3,00"));
        s.confirm_payment();
    });
    pay("Alt+5", [](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_amount_text("3,00"));
        s.confirm_payment();
    });
    pay("F10", [](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_form("CH"));
        ASSERT_TRUE(s.set_amount_text("2,00"));
        ASSERT_TRUE(s.set_cheque_number_text("123"));
        ASSERT_TRUE(s.set_cheque_date(util::day_number(2026, 12, 7)));
        s.confirm_payment();
    });
    pay("F10", [](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_form("PI"));
        s.confirm_payment();
    });
    ASSERT_FALSE(screen_.coupon_open()) << testing::PrintToString(messages());
    EXPECT_EQ(value("SELECT string_agg(DISTINCT tipo, ' ') FROM balcora.cfiscalfp"),
              "CH CO CR DI PI VA");
    expect_clean("a discount, voucher, agreement, cheque and PIX");

    // A card payment through the card-payment manager.
    ASSERT_TRUE(GRAVAREGISTRO("balcora", "Configuração", "TEF Ativo/Configurado", "S"));
    CardManagerProcess manager{root_.path()};
    ASSERT_TRUE(manager.start());
    tef::CardSetup quick;
    quick.limits.pause_after_response = quick.limits.pause_before_confirm =
        quick.limits.pause_after_undo = 0;
    tef::CardManager card{quick};
    sell("300000000012");
    pay("F10", [&card](sale::PaymentScreen& s) {
        s.set_card_functions(&card);
        ASSERT_TRUE(s.set_form("CA"));
        s.confirm_payment();
    });
    ASSERT_FALSE(screen_.coupon_open()) << testing::PrintToString(messages());
    EXPECT_EQ(value("SELECT count(*) FROM balcora.cfiscalfp WHERE tipo='CA' AND cancelada=0"), "1");
    expect_clean("a card payment");

    // A third sale, cancelled after it was issued.
    sell("300000000011");
    pay("Alt+1", [](sale::PaymentScreen& s) {
        ASSERT_TRUE(s.set_amount_text("10,00"));
        s.confirm_payment();
    });
    const std::int64_t last = screen_.session().coupon_id();
    prompt_.answer(true);
    ASSERT_TRUE(sale::run_cancel_selected_coupon(checkout_, last))
        << testing::PrintToString(messages());
    expect_clean("a cancelled coupon");

    ASSERT_TRUE(screen_.key("O"));
    expect_clean("a withdrawal");
    prompt_.answer(true);
    ASSERT_TRUE(screen_.key("G"));
    expect_clean("an X reading");

    // The back office's master data, company and printers included.
    TestBackOffice back_office;
    back_office.point_settings();
    backoffice::MasterDataScreen update{
        demo::kPrinterSerial, [](const std::string&, std::string*) { return "127.0.0.1"; }};
    update.open();
    ASSERT_TRUE(update.atualizar()) << testing::PrintToString(messages());
    expect_clean("a master-data update");

    clock_.set({2026, 12, 7, 18, 30, 0});
    prompt_.answer(true);
    ASSERT_TRUE(screen_.key("F"));
    EXPECT_EQ(screen_.status_text(), "FECHADO") << testing::PrintToString(messages());
    ASSERT_FALSE(closing_file_.empty()) << testing::PrintToString(messages());
    EXPECT_EQ(marked_lines(closing_file_), std::vector<std::string>{});
    expect_clean("the day closed");
}

}  // namespace balcora::test
