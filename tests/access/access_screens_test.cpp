#include "access/access_control.h"
#include "access/change_login_screen.h"
#include "access/change_password_screen.h"
#include "access/operator_maintenance_screen.h"
#include "access/procedure_rights_screen.h"
#include "access/sign_in.h"
#include "db/query_sql.h"
#include "globals/globals.h"
#include "support/test_database.h"

namespace balcora::test {

using namespace access;

class AccessScreens : public DbTest {
  protected:
    int add(const std::string& login, bool administrator = false,
            const std::string& password = "senha1") {
        Operator op;
        op.login = login;
        op.name = "Nome de " + login;
        op.administrator = administrator;
        return create_operator(op, password);
    }
    int index_of(const OperatorMaintenanceScreen& s, const std::string& login) {
        for (std::size_t i = 0; i < s.operators().size(); ++i)
            if (s.operators()[i].login == login) return static_cast<int>(i);
        return -1;
    }
    int row_of(const OperatorMaintenanceScreen& s, const std::string& procedure) {
        for (std::size_t i = 0; i < s.rights().size(); ++i)
            if (s.rights()[i].procedure->procedure == procedure) return static_cast<int>(i);
        return -1;
    }
};

TEST_F(AccessScreens, LoginTriesHostTextsThenGivesThreeTries) {
    add("caixa");
    LoginScreen silent("Balcora", "caixa", "senha1");
    EXPECT_EQ(silent.caption(), "Balcora | Menu");
    EXPECT_TRUE(silent.try_host_texts());
    EXPECT_FALSE(silent.is_open());
    EXPECT_EQ(current_login(), "caixa");
    EXPECT_TRUE(prompt_.shown().empty());
    sign_out();

    LoginScreen login("Balcora", "caixa", "errada");
    EXPECT_FALSE(login.try_host_texts());
    EXPECT_TRUE(login.is_open());
    EXPECT_EQ(login.failed_tries(), 1);
    EXPECT_EQ(login.login, "caixa");
    EXPECT_EQ(login.password, "");
    EXPECT_EQ(login.focus(), LoginScreen::Field::kPassword);

    // Blank fields only take the focus back; they are no try.
    login.login = "  ";
    login.ok();
    EXPECT_EQ(login.focus(), LoginScreen::Field::kLogin);
    login.login = "caixa";
    login.ok();
    EXPECT_EQ(login.focus(), LoginScreen::Field::kPassword);
    EXPECT_EQ(login.failed_tries(), 1);

    login.password = "outra";
    login.ok();
    EXPECT_TRUE(login.is_open());
    login.password = "mais uma";
    login.ok();
    EXPECT_FALSE(login.is_open());
    EXPECT_FALSE(login.signed_in());
    EXPECT_EQ(AppNumQueue, 0);
    ASSERT_EQ(prompt_.shown().size(), 3u);
    EXPECT_EQ(prompt_.shown()[0].text, kInvalidLoginMessage);
    EXPECT_EQ(prompt_.shown()[2].text, kTriesExhaustedMessage);
    EXPECT_EQ(prompt_.shown()[2].title, "Aviso");
}

// Closing the program after two wrong passwords gives no fresh three: the
// tries are counted per computer in the database until the window passes.
TEST_F(AccessScreens, TheLimitOfTriesHoldsAcrossARestartUntilTheWindowPasses) {
    add("caixa");
    {
        LoginScreen first("Balcora", "caixa", "errada");
        EXPECT_FALSE(first.try_host_texts());
        first.password = "errada de novo";
        first.ok();
        EXPECT_EQ(first.failed_tries(), 2);
        first.cancel();
    }
    // A "restart": a new screen on the same database.
    LoginScreen second("Balcora", "caixa", "mais uma errada");
    EXPECT_FALSE(second.try_host_texts());
    EXPECT_FALSE(second.is_open());
    EXPECT_EQ(prompt_.count_containing(kTriesExhaustedMessage), 1);

    // Even the right password waits for the window to pass.
    prompt_.clear();
    LoginScreen third("Balcora", "caixa", "senha1");
    EXPECT_FALSE(third.try_host_texts());
    EXPECT_FALSE(third.is_open());
    EXPECT_FALSE(signed_in());
    EXPECT_EQ(prompt_.count_containing("Tente novamente após 10:05."), 1);

    clock_.set({2026, 12, 7, 10, 5, 1});
    LoginScreen later("Balcora", "caixa", "senha1");
    EXPECT_TRUE(later.try_host_texts());
    EXPECT_EQ(current_login(), "caixa");
    sign_out();

    // Every refusal is in the operation log with the login and the computer.
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.log WHERE operacao='ACE' AND "
                       "nome_usuario='caixa' AND nome_cpd<>'' AND data IS NOT NULL;"),
              "3");
    EXPECT_EQ(QUERYSQL("SELECT count(*) FROM balcora.tentativa_acesso;"), "0")
        << "a sign-in starts the count again";
}

TEST_F(AccessScreens, ADatabaseErrorInARightsCheckIsShownAsSuchNotAsAccessDenied) {
    add("caixa");
    ASSERT_EQ(sign_in_operator("caixa", "senha1"), SignInResult::kSignedIn);
    ASSERT_EQ(QUERYSQL("ALTER TABLE balcora.direito RENAME TO direito_fora;"), "1");
    EXPECT_FALSE(require_right("QuickSale", kRightAccess));
    EXPECT_EQ(prompt_.count_containing("Acesso negado"), 0);
    EXPECT_EQ(prompt_.count_containing("balcora.direito"), 1);  // the SQL error dialog
    sign_out();
}

TEST_F(AccessScreens, StartUpAsksForTheFirstAdministratorOnlyWithoutOperators) {
    int first_shown = 0, login_shown = 0;
    SignInViews views;
    views.first_administrator = [&](FirstAdministratorScreen& s) {
        ++first_shown;
        EXPECT_EQ(s.caption(), "Balcora | Cadastro do Administrador");
        EXPECT_EQ(s.login, "chefe");  // the host's login is proposed
        s.name = "Chefe da Loja";
        s.password = "abcd";
        s.confirmation = "abce";
        EXPECT_FALSE(s.ok());
        EXPECT_EQ(prompt_.count_containing("As senhas não conferem!"), 1);
        EXPECT_EQ(s.focus(), FirstAdministratorScreen::Field::kPassword);
        EXPECT_EQ(s.password, "");
        s.password = "abcd";
        s.confirmation = "abcd";
        EXPECT_TRUE(s.ok());
    };
    views.login = [&](LoginScreen&) { ++login_shown; };

    ASSERT_TRUE(sign_in_at_startup("chefe", "", views));
    EXPECT_EQ(first_shown, 1);
    EXPECT_EQ(login_shown, 0);
    EXPECT_EQ(AppNameDesc, "Balcora");
    EXPECT_EQ(current_login(), "chefe");
    EXPECT_TRUE(current_is_administrator());
    sign_out();

    // From now on the login; both host texts right sign in without a window.
    ASSERT_TRUE(sign_in_at_startup("chefe", "abcd", views));
    EXPECT_EQ(first_shown, 1);
    EXPECT_EQ(login_shown, 0);
    sign_out();
    EXPECT_FALSE(sign_in_at_startup("chefe", "", views));
    EXPECT_EQ(login_shown, 1);
    // Wrong host texts and no window to ask again: no sign-in.
    EXPECT_FALSE(sign_in_at_startup("chefe", "errada", {}));
    EXPECT_EQ(AppNumQueue, 0);
}

TEST_F(AccessScreens, CancellingTheFirstAdministratorEndsTheStart) {
    SignInViews views;
    views.first_administrator = [](FirstAdministratorScreen& s) {
        s.login = "x";
        s.name = " ";
        s.password = "abcd";
        s.confirmation = "abcd";
        EXPECT_FALSE(s.ok());
        EXPECT_EQ(s.focus(), FirstAdministratorScreen::Field::kName);
        s.cancel();
    };
    EXPECT_FALSE(sign_in_at_startup("", "", views));
    EXPECT_FALSE(has_operators());
    EXPECT_EQ(AppNumQueue, 0);
}

TEST_F(AccessScreens, TrocausuarioKeepsTheWindowOpenOnRefusal) {
    add("caixa");
    add("super", false, "senha2");
    ASSERT_EQ(sign_in_operator("caixa", "senha1"), SignInResult::kSignedIn);
    const int handle = AppNumQueue;

    int shown = 0;
    screens_.provide_view<ChangeLoginScreen>([&](ChangeLoginScreen& s) {
        ++shown;
        s.usuario = "";
        s.senha = "senha2";
        s.ok();
        EXPECT_TRUE(s.is_open());
        EXPECT_EQ(s.focus(), ChangeLoginScreen::Field::kUsuario);
        s.usuario = "super";
        s.senha = "";
        s.ok();
        EXPECT_EQ(s.focus(), ChangeLoginScreen::Field::kSenha);
        EXPECT_TRUE(prompt_.shown().empty());

        s.senha = "errada";
        s.ok();
        EXPECT_TRUE(s.is_open());
        EXPECT_EQ(s.focus(), ChangeLoginScreen::Field::kUsuario);
        EXPECT_EQ(s.senha, "");
        EXPECT_EQ(prompt_.count_containing(kInvalidLoginMessage), 1);

        s.senha = "senha2";
        s.ok();
        EXPECT_FALSE(s.is_open());
    });
    EXPECT_EQ(TROCAUSUARIO(), 0);
    EXPECT_EQ(shown, 1);
    EXPECT_EQ(current_login(), "super");
    EXPECT_EQ(AppNumQueue, handle);

    screens_.provide_view<ChangeLoginScreen>([](ChangeLoginScreen& s) { s.cancel(); });
    EXPECT_EQ(TROCAUSUARIO(), ChangeLoginScreen::kClosed);
    EXPECT_EQ(current_login(), "super");

    sign_out();
    screens_.provide_view<ChangeLoginScreen>([](ChangeLoginScreen& s) {
        s.usuario = "caixa";
        s.senha = "senha1";
        s.ok();
    });
    EXPECT_EQ(TROCAUSUARIO(), kLoginNotSignedIn);
    EXPECT_EQ(AppNumQueue, 0);
}

TEST_F(AccessScreens, ChangePasswordChecksTheCurrentOneThreeTimes) {
    ChangePasswordScreen nobody;
    EXPECT_FALSE(nobody.open());

    add("caixa");
    ASSERT_EQ(sign_in_operator("caixa", "senha1"), SignInResult::kSignedIn);
    ChangePasswordScreen s;
    ASSERT_TRUE(s.open());
    EXPECT_EQ(s.login(), "caixa");

    s.current = "senha1";
    s.new_password = "nova12";
    s.confirmation = "nova13";
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(s.focus(), ChangePasswordScreen::Field::kNew);
    s.new_password = s.confirmation = "senha1";
    EXPECT_FALSE(s.ok());
    EXPECT_EQ(prompt_.count_containing("diferente da atual"), 1);
    s.new_password = s.confirmation = "nova12";
    EXPECT_TRUE(s.ok());
    EXPECT_TRUE(s.changed());
    EXPECT_EQ(prompt_.count_containing("Senha alterada com sucesso!"), 1);
    EXPECT_TRUE(current_password_matches("nova12"));

    ChangePasswordScreen wrong;
    ASSERT_TRUE(wrong.open());
    for (int i = 0; i < ChangePasswordScreen::kMaxTries; ++i) {
        EXPECT_TRUE(wrong.is_open());
        wrong.current = "senha1";
        wrong.new_password = wrong.confirmation = "outra1";
        EXPECT_FALSE(wrong.ok());
    }
    EXPECT_FALSE(wrong.is_open());
    EXPECT_EQ(prompt_.count_containing("Número máximo de tentativas"), 1);
    EXPECT_TRUE(current_password_matches("nova12"));
}

TEST_F(AccessScreens, OperatorMaintenanceNeedsTheRight) {
    const int caixa = add("caixa");
    ASSERT_EQ(sign_in_operator("caixa", "senha1"), SignInResult::kSignedIn);
    OperatorMaintenanceScreen s;
    EXPECT_FALSE(s.open());
    EXPECT_FALSE(s.is_open());
    EXPECT_EQ(prompt_.count_containing("Acesso negado!"), 1);
    EXPECT_EQ(prompt_.count_containing("Cadastro Usuários"), 1);

    ASSERT_TRUE(set_rights(caixa, OperatorMaintenanceScreen::kProcedure, kRightAccess));
    EXPECT_TRUE(s.open());
}

TEST_F(AccessScreens, AdministratorAddsEditsAndGrantsRights) {
    add("chefe", true);
    ASSERT_EQ(sign_in_operator("chefe", "senha1"), SignInResult::kSignedIn);
    OperatorMaintenanceScreen s;
    ASSERT_TRUE(s.open());
    ASSERT_NE(s.selected_operator(), nullptr);
    EXPECT_EQ(s.selected_operator()->login, "chefe");
    EXPECT_EQ(s.rights_locked_reason(), "O administrador tem todos os direitos.");
    ASSERT_FALSE(s.rights().empty());
    for (const auto& r : s.rights()) EXPECT_NE(r.bits, 0) << r.procedure->procedure;

    s.begin_add();
    s.form->data.login = "bia";
    s.form->data.name = "Beatriz D'Ávila";
    s.form->password = "abcd";
    s.form->confirmation = "abcx";
    EXPECT_FALSE(s.save_form());
    EXPECT_EQ(s.form_focus(), OperatorMaintenanceScreen::FormField::kPassword);
    ASSERT_TRUE(s.form.has_value());
    s.form->password = s.form->confirmation = "abcd";
    ASSERT_TRUE(s.save_form());
    EXPECT_FALSE(s.form.has_value());
    ASSERT_EQ(s.selected_operator()->login, "bia");
    EXPECT_EQ(s.rights_locked_reason(), "");

    // Supervisor brings access along; clearing access clears supervisor.
    const int quick = row_of(s, "QuickSale");
    s.set_right(quick, kRightSupervisor, true);
    EXPECT_EQ(s.rights()[static_cast<std::size_t>(quick)].bits, 3);
    s.set_right(quick, kRightAccess, false);
    EXPECT_EQ(s.rights()[static_cast<std::size_t>(quick)].bits, 0);
    s.set_right(quick, kRightSupervisor, true);
    s.set_right(row_of(s, "MenuFiscal"), kRightAccess, true);
    EXPECT_TRUE(s.rights_changed());
    ASSERT_TRUE(s.save_rights());
    EXPECT_FALSE(s.rights_changed());
    const int bia = s.selected_operator()->id;
    EXPECT_EQ(rights_of(bia, "QuickSale"), 3);
    EXPECT_EQ(rights_of(bia, "MenuFiscal"), 1);

    ASSERT_TRUE(s.begin_edit());
    s.form->data.name = "Beatriz Souza";
    s.form->data.active = false;
    ASSERT_TRUE(s.save_form());
    EXPECT_EQ(find_operator(bia)->name, "Beatriz Souza");
    EXPECT_FALSE(find_operator(bia)->active);

    EXPECT_TRUE(s.reset_password("nova1", "nova1"));
    EXPECT_FALSE(s.reset_password("nova1", "nova2"));
    EXPECT_EQ(prompt_.count_containing("As senhas não conferem!"), 2);
}

TEST_F(AccessScreens, UnsavedRightsAreAskedForNotLost) {
    add("chefe", true);
    add("caixa");
    ASSERT_EQ(sign_in_operator("chefe", "senha1"), SignInResult::kSignedIn);
    OperatorMaintenanceScreen s;
    ASSERT_TRUE(s.open());
    s.select(index_of(s, "caixa"));
    const int caixa = s.selected_operator()->id;
    s.set_right(row_of(s, "QuickSale"), kRightAccess, true);

    prompt_.answer(false);
    s.select(index_of(s, "chefe"));
    EXPECT_EQ(rights_of(caixa, "QuickSale"), 0);

    s.select(index_of(s, "caixa"));
    s.set_right(row_of(s, "QuickSale"), kRightAccess, true);
    prompt_.answer(true);
    s.close();
    EXPECT_EQ(prompt_.count_containing("Gravar as alterações dos direitos de caixa?"), 2);
    EXPECT_EQ(rights_of(caixa, "QuickSale"), 1);
}

TEST_F(AccessScreens, DeletingAsksAndKeepsTheLastAdministrator) {
    add("chefe", true);
    const int caixa = add("caixa");
    ASSERT_EQ(sign_in_operator("chefe", "senha1"), SignInResult::kSignedIn);
    OperatorMaintenanceScreen s;
    ASSERT_TRUE(s.open());

    s.select(index_of(s, "caixa"));
    prompt_.answer(false);
    EXPECT_FALSE(s.remove_selected());
    EXPECT_TRUE(find_operator(caixa));
    prompt_.answer(true);
    EXPECT_TRUE(s.remove_selected());
    EXPECT_FALSE(find_operator(caixa));
    EXPECT_EQ(s.operators().size(), 1u);

    s.select(0);
    prompt_.answer(true);
    EXPECT_FALSE(s.remove_selected());
    EXPECT_EQ(s.operators().size(), 1u);
    EXPECT_EQ(prompt_.count_containing("próprio usuário"), 1);
}

TEST_F(AccessScreens, DelegatedMaintenanceLeavesAdministratorsAndOwnRightsAlone) {
    const int chefe = add("chefe", true);
    const int gerente = add("gerente");
    add("caixa");
    ASSERT_TRUE(set_rights(gerente, OperatorMaintenanceScreen::kProcedure, kRightAccess));
    ASSERT_EQ(sign_in_operator("gerente", "senha1"), SignInResult::kSignedIn);
    OperatorMaintenanceScreen s;
    ASSERT_TRUE(s.open());

    s.set_right(row_of(s, "QuickSale"), kRightAccess, true);
    EXPECT_FALSE(s.rights_changed());
    EXPECT_EQ(prompt_.count_containing("próprios direitos"), 1);

    s.select(index_of(s, "chefe"));
    EXPECT_FALSE(s.begin_edit());
    EXPECT_FALSE(s.reset_password("abcd", "abcd"));
    EXPECT_FALSE(s.remove_selected());
    EXPECT_EQ(prompt_.count_containing("alterar administradores"), 3);
    EXPECT_TRUE(find_operator(chefe));

    s.select(index_of(s, "caixa"));
    ASSERT_TRUE(s.begin_edit());
    s.form->data.administrator = true;
    EXPECT_FALSE(s.save_form());
    EXPECT_FALSE(find_operator_by_login("caixa")->administrator);
    s.cancel_form();
    s.set_right(row_of(s, "QuickSale"), kRightAccess, true);
    EXPECT_TRUE(s.save_rights());
    EXPECT_EQ(rights_of(find_operator_by_login("caixa")->id, "QuickSale"), 1);
}

TEST_F(AccessScreens, ProcedureRightsEditOneProcedureForEveryOperator) {
    add("chefe", true);
    const int caixa = add("caixa");
    const int parado = add("parado");
    auto op = *find_operator(parado);
    op.active = false;
    ASSERT_TRUE(update_operator(op));
    // A bit outside the rights list edited here must survive the edit.
    ASSERT_TRUE(set_rights(caixa, "QuickSale", 4));
    ASSERT_EQ(sign_in_operator("chefe", "senha1"), SignInResult::kSignedIn);

    bool shown = false;
    screens_.provide_view<ProcedureRightsScreen>([&](ProcedureRightsScreen& s) {
        shown = true;
        EXPECT_EQ(s.caption(), "Direitos de Acesso - Quick Sale - Venda Rápida");
        ASSERT_EQ(s.columns().size(), 2u);
        EXPECT_EQ(s.columns()[0].label, "Acesso");
        EXPECT_EQ(s.columns()[1].label, "Supervisor");
        ASSERT_EQ(s.rows().size(), 2u);  // the inactive operator is not listed
        EXPECT_EQ(s.rows()[0].op.login, "caixa");
        EXPECT_FALSE(s.rows()[1].editable);  // the administrator holds every right
        s.set_right(1, 0, false);
        EXPECT_EQ(prompt_.count_containing("todos os direitos"), 1);
        s.set_right(0, 1, true);
        EXPECT_EQ(s.rows()[0].bits, 3);
        prompt_.answer(true);
        s.close();
    });
    EXPECT_TRUE(edit_procedure_rights("quicksale", {"Access", "Supervisor"}));
    EXPECT_TRUE(shown);
    EXPECT_EQ(rights_of(caixa, "QuickSale"), 7);

    ASSERT_EQ(change_login(AppNumQueue, "caixa", "senha1"), kLoginChanged);
    shown = false;
    EXPECT_FALSE(edit_procedure_rights("QuickSale"));
    EXPECT_FALSE(shown);
}

}  // namespace balcora::test
