#include "gui/shell/menu_principal.h"
#include "access/access_control.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "ecf/aux_file.h"
#include "globals/globals.h"
#include "gui/provide_windows.h"
#include "gui/shell/main_frame.h"
#include "gui_support/screenshot.h"
#include "shell/startup.h"
#include "support/test_checkout.h"
#include "support/test_database.h"

#include <QAction>
#include <QApplication>
#include <QTimer>

namespace balcora::test {

class MenuPrincipalGui : public DbTest, protected TestCheckout {
  protected:
    void SetUp() override {
        ASSERT_TRUE(access::ensure_demo_operator());
        ASSERT_EQ(access::sign_in_operator("demo", "demo"), access::SignInResult::kSignedIn);
        glo::numfab = "BV1";
        ASSERT_TRUE(ecf::install_aux_file());
        glo::numfab.clear();
        // No back-office program on a test machine.
        GRAVAREGISTRO("balcora", "PAF-ECF", "IniAutRetaguarda", "0");
        GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "nomesoft", "Balcora PDV");
        GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "versaosoft", "1.0");
    }
    void TearDown() override { access::sign_out(); }
    // The frame as MENUPRINCIPAL runs it once the operator is signed in.
    int run_main_frame(bool exit_when_ready = false) {
        gui::provide_windows(screens_, service_port_, checkout_);
        auto frame = gui::open_main_frame(screens_, checkout_);
        return shell::run_main_frame(checkout_, *frame, shell::system_command_runner(),
                                     exit_when_ready);
    }
    static gui::MainFrame* frame() {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<gui::MainFrame*>(w); f && f->isVisible()) return f;
        return nullptr;
    }
};

TEST_F(MenuPrincipalGui, TheFrameRunsItsStartUpChecksAndShowsTheCompanyAndTheOperator) {
    QUERYSQL(
        "INSERT INTO balcora.empresa (id_empresa, nome, ativa) VALUES (1, 'MERCADO CENTRAL', 1);");
    std::string title, login;
    bool configurations = false;
    // Looks at the frame once its checks ran, then closes it as the operator would.
    auto* poll = new QTimer;
    QObject::connect(poll, &QTimer::timeout, [&, poll] {
        gui::MainFrame* f = frame();
        if (!f || !f->windowTitle().contains(" - [")) return;
        poll->stop();
        poll->deleteLater();
        title = f->windowTitle().toStdString();
        configurations = f->action_for("CONFIGURACAO")->isEnabled();
        save_screenshot(*f, "main_frame_after_start");
        prompt_.answer(true);
        f->close();
    });
    poll->start(10);
    EXPECT_EQ(run_main_frame(), 0);
    EXPECT_EQ(title, "Balcora PDV 1.0.13 - [MERCADO CENTRAL]");
    EXPECT_TRUE(configurations);
    EXPECT_EQ(glo::id_empresa, 1);
    EXPECT_EQ(glo::numfab, "BV1");
    EXPECT_EQ(QUERYSQL("SELECT current_setting('application_name');"), "Balcora PDV 1.0.13");
    EXPECT_EQ(prompt_.count_containing("Confirma fechar Balcora?"), 1);
}

TEST_F(MenuPrincipalGui, WithoutAnActiveCompanyTheFrameClosesAfterTheWarning) {
    EXPECT_EQ(run_main_frame(true), 1);
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text, "Não há empresa ativa!");
}

TEST_F(MenuPrincipalGui, ReadyFrameClosesAtOnceWhenAskedToWithoutTheQuestion) {
    QUERYSQL("INSERT INTO balcora.empresa (id_empresa, nome, ativa) VALUES (1, 'MERCADO', 1);");
    EXPECT_EQ(run_main_frame(true), 0);
    // No question: only warnings, among them the printer check's, as no
    // printer is registered (and no developer identification either).
    for (const auto& shown : prompt_.shown()) EXPECT_EQ(shown.kind, "message") << shown.text;
    EXPECT_EQ(prompt_.count_containing("ECF não configurada para o número de fabricação"), 1);
    EXPECT_EQ(prompt_.count_containing("Razão social do desenvolvedor não cadastrada"), 1);
    EXPECT_EQ(glo::id_empresa, 1);
}

}  // namespace balcora::test
