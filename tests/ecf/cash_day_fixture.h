#pragma once

#include "db/settings.h"
#include "ecf/cash_day_services.h"
#include "ecf/cash_movement_screen.h"
#include "ecf/day_opening.h"
#include "ecf/printer.h"
#include "ecf/printer_driver.h"
#include "ecf/printer_functions_screen.h"
#include "log/operation_log.h"
#include "sale/sale_fixture.h"
#include "util/day_number.h"

#include <filesystem>
#include <string>
#include <vector>

namespace balcora::test {

// The demo shop with a fresh virtual printer whose day is closed (the day
// before the pinned clock's), the printer configured, and the cash windows
// answered by the test: the amounts typed into "Abrir Caixa", the movement of
// "Sangria / Suprimento", and Bloco X, the backup and the registers file
// recorded as they are asked for.
class CashDayFixture : public ShopFixture {
  protected:
    void SetUp() override {
        reset_globals_keeping_connection();
        ShopFixture::SetUp();
        if (HasFatalFailure()) return;
        if (!std::filesystem::exists(ecf::default_driver_path()))
            GTEST_SKIP() << "virtual printer not built";
        ASSERT_TRUE(ecf::load_driver(ecf::default_driver_path()));
        ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='F', data_sit='2026-12-06';"), "1");
        ASSERT_TRUE(write_ini("PDV", "Configuração OK", "1", "balcora.ini"));

        screens_.provide_view<ecf::DayOpeningScreen>([this](ecf::DayOpeningScreen& s) {
            for (const std::string& a : amounts_) {
                s.amount = a;
                s.ok();
                if (!s.is_open()) return;
            }
            s.cancel();
        });
        screens_.provide_view<ecf::CashMovementScreen>([this](ecf::CashMovementScreen& s) {
            s.kind = movement_kind_;
            s.amount = movement_amount_;
            s.ok();
            left_open_ = s.is_open();
            s.cancel();
        });
        screens_.provide("BLOCOX", [this](const ui::ScreenPort::Arguments& a) {
            blocox_.push_back(a.at(0));
            return 0;
        });
        screens_.provide("COPIADESEGURANCA", [this](const ui::ScreenPort::Arguments&) {
            ++backups_;
            GRAVAREGISTRO("balcora", "Backup", "Situacao", "1");
            return 0;
        });
        services_.registers = [this](util::DayNumber day) {
            registers_.push_back(day);
            // What the registers file logs of itself at the day close.
            GRAVALOG("FUN", "fechadia", std::to_string(day), "Inicia Registro PAF");
            if (registers_fail_) return false;
            GRAVALOG("FUN", "fechadia", std::to_string(day), "Finaliza Registro PAF");
            return true;
        };
        services_.end_application = [this] { ++ended_; };
        prompt_.clear();
    }
    void TearDown() override { ecf::unload_driver(); }

    void at(int day, int hour, int minute) { clock_.set({2026, 12, day, hour, minute, 0}); }
    int run(std::string_view parameter) { return FUNCOESMAQECF(checkout_, parameter, services_); }
    // Opens the day with the amount, answering the confirmation.
    void open_day(const std::string& amount) {
        amounts_ = {amount};
        prompt_.answer(true);
        ASSERT_EQ(run("AbreCaixa"), 1) << testing::PrintToString(messages());
    }

    void refuse(ecf::Command command, int count = 1) {
        using Fn = int (*)(std::int32_t, std::int32_t);
        auto fn = reinterpret_cast<Fn>(ecf::driver_symbol("balcora_vecf_refuse_next"));
        ASSERT_NE(fn, nullptr);
        ASSERT_NE(fn(command, count), 0);
    }

    std::string day_state() {
        return value("SELECT situacao||' '||to_char(data_sit,'DD/MM') FROM balcora.maqecf;");
    }
    // The descriptions of the log rows of a function, oldest first.
    std::vector<std::string> logged(const std::string& function) {
        std::vector<std::string> out;
        db::SqlRecord r;
        QUERYSQL("SELECT descricao FROM balcora.log WHERE operacao='FUN' AND tabela='" + function +
                     "' ORDER BY id_log;",
                 r);
        for (; r.has_row(); r.next()) out.emplace_back(r.C(1));
        return out;
    }
    bool marker() { return count("balcora.registro WHERE chave='ERRO_REDUCAO'") > 0; }

    static util::DayNumber december(int day) { return util::day_number(2026, 12, day); }

    ecf::CashDayServices services_;
    std::vector<std::string> amounts_;
    std::string movement_kind_ = "SA";
    std::string movement_amount_;
    bool left_open_ = false;
    std::vector<std::string> blocox_;
    int backups_ = 0;
    std::vector<util::DayNumber> registers_;
    bool registers_fail_ = false;
    int ended_ = 0;
};

}  // namespace balcora::test
