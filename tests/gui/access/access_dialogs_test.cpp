#include "access/access_control.h"
#include "access/change_login_screen.h"
#include "access/operator_maintenance_screen.h"
#include "db/query_sql.h"
#include "globals/globals.h"
#include "gui/access/access_entry.h"
#include "gui/access/login_dialog.h"
#include "gui/access/operator_maintenance_window.h"
#include "gui/modal_helper.h"
#include "gui_support/screenshot.h"
#include "support/test_database.h"

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>

#include <functional>

namespace balcora::test {

using namespace access;

namespace {

void press_enter(QWidget* target) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
}

void type(QWidget& window, const char* field, const char* text) {
    child<QLineEdit>(window, field)->setText(QString::fromUtf8(text));
}

void click(QWidget& window, const char* button) {
    child<QPushButton>(window, button)->click();
}

int row_with(QTableWidget* table, int column, const QString& text) {
    for (int r = 0; r < table->rowCount(); ++r)
        if (table->item(r, column) && table->item(r, column)->text() == text) return r;
    return -1;
}

}  // namespace

class AccessDialogs : public DbTest {
  protected:
    AccessDialogs() { add("caixa", false, "senha1"); }
    int add(const std::string& login, bool administrator, const std::string& password) {
        Operator op;
        op.login = login;
        op.name = "Operador " + login;
        op.administrator = administrator;
        return create_operator(op, password);
    }
};

TEST_F(AccessDialogs, LoginDialogMovesOnWithEnterAndKeepsTheLoginOnRefusal) {
    LoginScreen screen("Balcora", "", "");
    gui::LoginDialog dialog(screen);
    dialog.show();
    EXPECT_EQ(dialog.windowTitle(), "Balcora | Menu");
    auto* login = child<QLineEdit>(dialog, "login");
    auto* password = child<QLineEdit>(dialog, "password");
    EXPECT_EQ(login->maxLength(), 12);
    EXPECT_EQ(password->echoMode(), QLineEdit::Password);

    login->setText("caixa");
    press_enter(login);
    EXPECT_EQ(dialog.focusWidget(), password);
    password->setText("errada");
    save_screenshot(dialog, "login_dialog");
    click(dialog, "ok");
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(prompt_.count_containing(kInvalidLoginMessage), 1);
    EXPECT_EQ(login->text(), "caixa");
    EXPECT_EQ(password->text(), "");
    EXPECT_EQ(dialog.focusWidget(), password);

    password->setText("senha1");
    press_enter(password);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(current_login(), "caixa");
}

TEST_F(AccessDialogs, SignInShowsTheLoginOnlyWhenTheHostTextsDoNotDo) {
    // Both texts right: no window at all (a window would fail the drive).
    ASSERT_TRUE(sign_in_at_startup("caixa", "senha1", gui::sign_in_views()));
    EXPECT_EQ(glo::nome_operador, "caixa");
    sign_out();

    on_next_window("login_dialog", [](QDialog& d) {
        EXPECT_EQ(child<QLineEdit>(d, "login")->text(), "caixa");
        type(d, "password", "senha1");
        click(d, "ok");
    });
    EXPECT_TRUE(sign_in_at_startup("caixa", "", gui::sign_in_views()));
    EXPECT_EQ(current_login(), "caixa");
    sign_out();

    on_next_window("login_dialog", [](QDialog& d) { d.reject(); });
    EXPECT_FALSE(sign_in_at_startup("", "", gui::sign_in_views()));
    EXPECT_EQ(AppNumQueue, 0);
}

TEST_F(AccessDialogs, FirstStartCreatesTheAdministrator) {
    ASSERT_TRUE(QUERYSQL("DELETE FROM balcora.operador") == "1");
    on_next_window("first_administrator_dialog", [this](QDialog& d) {
        type(d, "login", "chefe");
        type(d, "name", "Chefe da Loja");
        type(d, "password", "abcd1");
        type(d, "confirmation", "abcd2");
        save_screenshot(d, "first_administrator_dialog");
        click(d, "ok");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(prompt_.count_containing("As senhas não conferem!"), 1);
        EXPECT_EQ(child<QLineEdit>(d, "confirmation")->text(), "");
        type(d, "password", "abcd1");
        type(d, "confirmation", "abcd1");
        press_enter(child<QLineEdit>(d, "confirmation"));
    });
    ASSERT_TRUE(sign_in_at_startup("", "", gui::sign_in_views()));
    EXPECT_EQ(current_login(), "chefe");
    EXPECT_TRUE(current_is_administrator());
}

TEST_F(AccessDialogs, TrocausuarioWindowStaysOpenUntilTheRightPassword) {
    add("super", false, "senha2");
    ASSERT_EQ(sign_in_operator("caixa", "senha1"), SignInResult::kSignedIn);
    gui::provide_access_views(screens_);
    on_next_window("change_login_dialog", [this](QDialog& d) {
        EXPECT_EQ(d.windowTitle(), "Login / Troca de Usuário");
        auto* usuario = child<QLineEdit>(d, "usuario");
        auto* senha = child<QLineEdit>(d, "senha");
        usuario->setText("super");
        press_enter(usuario);
        EXPECT_EQ(d.focusWidget(), senha);
        senha->setText("errada");
        press_enter(senha);  // Enter moves on to "&Ok" as Tab does
        EXPECT_EQ(d.focusWidget(), child<QPushButton>(d, "ok"));
        save_screenshot(d, "change_login_dialog");
        click(d, "ok");
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.focusWidget(), usuario);
        EXPECT_EQ(prompt_.count_containing(kInvalidLoginMessage), 1);
        senha->setText("senha2");
        click(d, "ok");
    });
    EXPECT_EQ(TROCAUSUARIO(), 0);
    EXPECT_EQ(current_login(), "super");
}

TEST_F(AccessDialogs, ChangePasswordDialogStoresTheNewPassword) {
    ASSERT_EQ(sign_in_operator("caixa", "senha1"), SignInResult::kSignedIn);
    on_next_window("change_password_dialog", [](QDialog& d) {
        type(d, "current", "senha1");
        type(d, "new_password", "nova12");
        type(d, "confirmation", "nova12");
        save_screenshot(d, "change_password_dialog");
        click(d, "ok");
    });
    gui::open_change_password(nullptr);
    EXPECT_TRUE(current_password_matches("nova12"));
}

TEST_F(AccessDialogs, OperatorMaintenanceWindowGrantsRightsAndAddsOperators) {
    add("chefe", true, "senha1");
    ASSERT_EQ(sign_in_operator("chefe", "senha1"), SignInResult::kSignedIn);
    OperatorMaintenanceScreen screen;
    ASSERT_TRUE(screen.open());
    gui::OperatorMaintenanceWindow window(screen);
    window.show();
    auto* operators = child<QTableWidget>(window, "operators");
    auto* rights = child<QTableWidget>(window, "rights");
    ASSERT_EQ(operators->rowCount(), 2);

    operators->selectRow(row_with(operators, 0, "caixa"));
    ASSERT_EQ(screen.selected_operator()->login, "caixa");
    const int quick = row_with(rights, 0, "Quick Sale - Venda Rápida");
    ASSERT_GE(quick, 0);
    rights->item(quick, 2)->setCheckState(Qt::Checked);  // supervisor brings access
    EXPECT_EQ(rights->item(quick, 1)->checkState(), Qt::Checked);
    save_screenshot(window, "operator_maintenance_window");
    click(window, "save_rights");
    EXPECT_EQ(rights_of(find_operator_by_login("caixa")->id, "QuickSale"), 3);

    on_next_window("operator_form_dialog", [](QDialog& d) {
        type(d, "login", "bia");
        type(d, "name", "Beatriz D'Ávila");
        type(d, "password", "abcd");
        type(d, "confirmation", "abcd");
        save_screenshot(d, "operator_form_dialog");
        click(d, "ok");
    });
    click(window, "add");
    EXPECT_EQ(operators->rowCount(), 3);
    EXPECT_GE(row_with(operators, 1, "Beatriz D'Ávila"), 0);
    EXPECT_EQ(screen.selected_operator()->login, "bia");

    on_next_window("password_reset_dialog", [](QDialog& d) {
        type(d, "password", "nova1");
        type(d, "confirmation", "nova1");
        save_screenshot(d, "password_reset_dialog");
        click(d, "ok");
    });
    click(window, "password");
    sign_out();
    EXPECT_EQ(sign_in_operator("bia", "nova1"), SignInResult::kSignedIn);
}

TEST_F(AccessDialogs, ProcedureRightsWindowForQuickSale) {
    add("chefe", true, "senha1");
    ASSERT_EQ(sign_in_operator("chefe", "senha1"), SignInResult::kSignedIn);
    on_next_window("procedure_rights_dialog", [](QDialog& d) {
        auto* table = child<QTableWidget>(d, "rights");
        const int caixa = row_with(table, 0, "caixa");
        ASSERT_GE(caixa, 0);
        table->item(caixa, 2)->setCheckState(Qt::Checked);
        save_screenshot(d, "procedure_rights_dialog");
        click(d, "save");
        click(d, "close");
    });
    gui::open_procedure_rights("QuickSale", {"Access", "Supervisor"}, nullptr);
    EXPECT_EQ(rights_of(find_operator_by_login("caixa")->id, "QuickSale"), 1);
}

}  // namespace balcora::test
