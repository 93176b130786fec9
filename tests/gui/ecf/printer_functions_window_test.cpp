#include "gui/ecf/printer_functions_window.h"
#include "db/settings.h"
#include "gui/modal_helper.h"
#include "gui_support/key_input.h"
#include "gui_support/screenshot.h"
#include "sale/sale_fixture.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace balcora::test {

class PrinterFunctionsGui : public SaleFixture {
  protected:
    void SetUp() override {
        reset_globals_keeping_connection();
        SaleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='F', data_sit='2026-12-06';"), "1");
        ASSERT_TRUE(write_ini("PDV", "Configuração OK", "1", "balcora.ini"));
        gui::provide_cash_day_windows(screens_, checkout_);
        prompt_.clear();
    }
};

TEST_F(PrinterFunctionsGui, TheWindowOpensTheDayAndShowsTheCashWindowsByKeyboard) {
    EXPECT_TRUE(screens_.available("FUNCOESMAQECF"));
    EXPECT_TRUE(screens_.available("TELA_SA_SU"));

    bool driven = false;
    on_next_window("printer_functions_window", [&](QDialog& w) {
        driven = true;
        auto* hidden = child<QPushButton>(w, "cancel_current_coupon");
        EXPECT_TRUE(hidden->isHidden());
        EXPECT_EQ(child<QLabel>(w, "verao")->text(), "Inativo");
        save_screenshot(w, "printer_functions_window");
        key(&w, Qt::Key_A, {}, Qt::ControlModifier);
        EXPECT_TRUE(wait_until([&] { return !hidden->isHidden(); }));
        save_screenshot(w, "printer_functions_window_all");

        prompt_.answer(true);
        on_next_window("day_opening_dialog", [&](QDialog& d) {
            auto* amount = child<QLineEdit>(d, "suprimento");
            amount->selectAll();
            type_digits(amount, "150");
            key(amount, Qt::Key_Period, ".");
            type_digits(amount, "25");
            EXPECT_EQ(amount->text(), "150,25");
            save_screenshot(d, "day_opening_dialog");
            key(amount, Qt::Key_F10);
        });
        child<QPushButton>(w, "open_day")->click();
        EXPECT_EQ(value("SELECT situacao FROM balcora.maqecf;"), "A")
            << testing::PrintToString(messages());
        EXPECT_FALSE(child<QPushButton>(w, "program_tax_rates")->isEnabled());

        on_next_window("cash_movement_dialog", [&](QDialog& d) {
            save_screenshot(d, "cash_movement_dialog");
            key(child<QLineEdit>(d, "valor"), Qt::Key_N);
        });
        child<QPushButton>(w, "cash_movement")->click();

        on_next_window("reg60m_recovery_dialog", [&](QDialog& d) {
            save_screenshot(d, "reg60m_recovery_dialog");
            d.reject();
        });
        child<QPushButton>(w, "recover_reg60m")->click();
        child<QPushButton>(w, "fechar")->click();
    });
    screens_.run("FUNCOESMAQECF", {""});
    EXPECT_TRUE(driven);
    EXPECT_EQ(checkout_.jan_ecf_aberta, 0);
    EXPECT_EQ(value("SELECT count(*) FROM balcora.log WHERE tabela='sup/sangria';"), "0");
}

TEST_F(PrinterFunctionsGui, ClosingHoursAreTypedPerWeekdayAndAWrongOneIsRefused) {
    on_next_window("closing_hours_dialog", [&](QDialog& d) {
        auto* wednesday = child<QLineEdit>(d, "qua");
        wednesday->setText("19:30");
        child<QLineEdit>(d, "sab")->setText("25:00");
        save_screenshot(d, "closing_hours_dialog");
        child<QPushButton>(d, "ok")->click();
        EXPECT_EQ(prompt_.count_containing("Horário inválido!"), 1);
        child<QLineEdit>(d, "sab")->setText("13:00");
        child<QPushButton>(d, "ok")->click();
    });
    screens_.run("HORARIOFECHAMENTO");
    EXPECT_EQ(LEREGISTRO("balcora", "HorarioFechamento", "Qua", ""), "19:30");
    EXPECT_EQ(LEREGISTRO("balcora", "HorarioFechamento", "Sab", ""), "13:00");
    EXPECT_EQ(LEREGISTRO("balcora", "HorarioFechamento", "Dom", "x"), "");
}

}  // namespace balcora::test
