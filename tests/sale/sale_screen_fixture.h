#pragma once

#include "access/access_control.h"
#include "access/change_login_screen.h"
#include "db/settings.h"
#include "ecf/cash_movement_screen.h"
#include "ecf/day_opening.h"
#include "ecf/driver_abi.h"
#include "sale/sale_fixture.h"
#include "util/ean.h"

#include <algorithm>
#include <functional>
#include <vector>

namespace balcora::test {

// A demo product's barcode from its first twelve digits.
inline std::string barcode(const char* twelve) {
    return std::string(twelve) + std::to_string(CALC_DV(twelve));
}

// The shop with the virtual printer behind a spy that records the commands a
// screen sends (and forwards them), the demo operator signed in, and the
// printer marked as configured.
class SaleScreenFixture : public SaleFixture {
  protected:
    void SetUp() override {
        reset_globals_keeping_connection();
        SaleFixture::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        ASSERT_EQ(access::sign_in_operator("demo", "demo"), access::SignInResult::kSignedIn);
        ASSERT_TRUE(write_ini("PDV", "Configuração OK", "1", "balcora.ini"));
        real() = reinterpret_cast<balcora_comunica_fn>(ecf::driver_symbol("COMUNICA"));
        ASSERT_NE(real(), nullptr);
        sent().clear();
        ecf::set_driver_for_tests(&spy);
        prompt_.clear();
    }
    void TearDown() override {
        ecf::set_driver_for_tests(nullptr);
        access::sign_out();
        SaleFixture::TearDown();
    }

    static std::vector<std::int32_t>& sent() {
        static std::vector<std::int32_t> v;
        return v;
    }
    static int times_sent(ecf::Command c) {
        return static_cast<int>(std::count(sent().begin(), sent().end(), c));
    }

    // Refuses the next command of a kind through the real printer's hook,
    // which the spy cannot reach while it stands in.
    void refuse_next_command(ecf::Command c) {
        ecf::set_driver_for_tests(nullptr);
        refuse_next(c);
        ecf::set_driver_for_tests(&spy);
    }

    // The withdrawal-or-supply procedure and the two day windows as the
    // windows side provides them: the opening is answered with 200,00, the
    // cash movement with the kind ("SA"/"SU") and amount given.
    void provide_day_windows(std::string kind, std::string amount) {
        screens_.provide("TELA_SA_SU",
                         [](const ui::ScreenPort::Arguments&) { return TELA_SA_SU() ? 1 : 0; });
        screens_.provide_view<ecf::DayOpeningScreen>([](ecf::DayOpeningScreen& s) {
            s.amount = "200,00";
            s.ok();
        });
        screens_.provide_view<ecf::CashMovementScreen>([kind, amount](ecf::CashMovementScreen& s) {
            s.kind = kind;
            s.amount = amount;
            s.ok();
        });
    }

    // The paper tape, read through the real printer's hook.
    std::string tape() {
        ecf::set_driver_for_tests(nullptr);
        std::string t = paper();
        ecf::set_driver_for_tests(&spy);
        return t;
    }

    // An operator with only the given rights of the Quick Sale.
    void add_operator(const std::string& login, std::uint8_t quick_sale_rights) {
        access::Operator op;
        op.login = login;
        op.name = "OPERADOR " + login;
        const int id = access::create_operator(op, "1234");
        ASSERT_NE(id, 0);
        ASSERT_TRUE(access::set_rights(id, "QuickSale", quick_sale_rights));
    }
    void sign_in(const std::string& login) {
        ASSERT_EQ(access::sign_in_operator(login, login == "demo" ? "demo" : "1234"),
                  access::SignInResult::kSignedIn);
        glo::nome_operador = login;
    }
    // TROCAUSUARIO signs these operators in, one per call; counts the calls.
    int& change_logins(std::vector<std::string> logins) {
        static int calls = 0;
        calls = 0;
        auto queue = std::make_shared<std::vector<std::string>>(std::move(logins));
        screens_.provide_view<access::ChangeLoginScreen>(
            [queue](access::ChangeLoginScreen& screen) {
                ++calls;
                if (queue->empty()) return screen.cancel();
                screen.usuario = queue->front();
                screen.senha = queue->front() == "demo" ? "demo" : "1234";
                queue->erase(queue->begin());
                screen.ok();
            });
        return calls;
    }

  private:
    static balcora_comunica_fn& real() {
        static balcora_comunica_fn f = nullptr;
        return f;
    }
    static std::uint8_t spy(std::int32_t command, const char* p1, const char* p2, const char* p3,
                            const char* p4, const char* p5, const char* p6, const char* p7) {
        sent().push_back(command);
        return real()(command, p1, p2, p3, p4, p5, p6, p7);
    }
};

}  // namespace balcora::test
