#include "access/access_control.h"

#include "db/database.h"
#include "db/query_sql.h"
#include "demo/demo_data.h"
#include "globals/globals.h"
#include "support/test_database.h"

namespace balcora::test {

using namespace access;

class AccessControl : public DbTest {
  protected:
    int add(const std::string& login, bool administrator = false,
            const std::string& password = "senha1", const std::string& name = "Operador") {
        Operator op;
        op.login = login;
        op.name = name;
        op.administrator = administrator;
        return create_operator(op, password);
    }
    std::string value(const std::string& select) {
        db::SqlRecord rec;
        QUERYSQL(select, rec);
        return std::string(rec.C(1));
    }
};

TEST(AccessControlDigest, IsSaltedSlowAndRefusesDamage) {
    auto a = hash_password("segredo");
    auto b = hash_password("segredo");
    ASSERT_TRUE(a && b);
    EXPECT_NE(a->salt_hex, b->salt_hex);
    EXPECT_NE(a->hash_hex, b->hash_hex);
    EXPECT_EQ(a->iterations, kPasswordIterations);
    EXPECT_GE(kPasswordIterations, 100000);
    EXPECT_EQ(a->hash_hex.size(), 64u);
    EXPECT_EQ(a->salt_hex.size(), 32u);

    EXPECT_TRUE(verify_password("segredo", *a));
    EXPECT_FALSE(verify_password("Segredo", *a));
    EXPECT_FALSE(verify_password("", *a));

    PasswordDigest damaged = *a;
    damaged.salt_hex = b->salt_hex;
    EXPECT_FALSE(verify_password("segredo", damaged));
    damaged = *a;
    damaged.iterations = a->iterations - 1;
    EXPECT_FALSE(verify_password("segredo", damaged));
    for (PasswordDigest broken :
         {PasswordDigest{"zz" + a->hash_hex.substr(2), a->salt_hex, 1000},
          PasswordDigest{a->hash_hex.substr(0, 20), a->salt_hex, 1000},
          PasswordDigest{a->hash_hex, "", 1000}, PasswordDigest{a->hash_hex, a->salt_hex, 0},
          PasswordDigest{a->hash_hex, a->salt_hex, 2'000'000'000}})
        EXPECT_FALSE(verify_password("segredo", broken));
}

TEST_F(AccessControl, SignsInByLoginAnyCaseAndStoresNoClearPassword) {
    ASSERT_GT(add("Maria", false, "abc123", "Maria Souza"), 0);
    EXPECT_EQ(value("SELECT count(*) FROM balcora.operador WHERE senha_hash LIKE '%abc123%' OR "
                    "senha_sal LIKE '%abc123%'"),
              "0");

    EXPECT_FALSE(signed_in());
    ASSERT_EQ(sign_in_operator(" maria ", "abc123"), SignInResult::kSignedIn);
    EXPECT_NE(AppNumQueue, 0);
    EXPECT_EQ(current_login(), "Maria");
    EXPECT_EQ(current_name(), "Maria Souza");
    EXPECT_EQ(glo::nome_operador, "Maria");
    EXPECT_TRUE(current_password_matches("abc123"));
    EXPECT_FALSE(current_password_matches("abc124"));

    sign_out();
    EXPECT_EQ(AppNumQueue, 0);
    EXPECT_EQ(current_login(), "");
    EXPECT_EQ(glo::nome_operador, "");
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(AccessControl, RefusesWrongPasswordsUnknownAndInactiveOperators) {
    const int id = add("joao", false, "certa1");
    EXPECT_EQ(sign_in_operator("joao", "errada"), SignInResult::kRefused);
    EXPECT_EQ(sign_in_operator("joao", "CERTA1"), SignInResult::kRefused);
    EXPECT_EQ(sign_in_operator("ninguem", "certa1"), SignInResult::kRefused);
    EXPECT_EQ(sign_in_operator("", ""), SignInResult::kRefused);
    EXPECT_EQ(sign_in_operator("joao", std::string(5000, 'x')), SignInResult::kRefused);
    EXPECT_EQ(sign_in_operator("jo\xff\xfe", "certa1"), SignInResult::kRefused);
    EXPECT_EQ(AppNumQueue, 0);

    auto op = find_operator(id);
    op->active = false;
    ASSERT_TRUE(update_operator(*op));
    EXPECT_EQ(sign_in_operator("joao", "certa1"), SignInResult::kRefused);
    // Refusals are worded by the screens, and a bad text never reaches SQL.
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(AccessControl, InjectionInLoginOrPasswordIsOnlyAWrongLogin) {
    add("admin", true, "admin1");
    for (const char* login : {"x' OR '1'='1", "admin'--", "admin\\", "'; DROP TABLE x;--"})
        EXPECT_EQ(sign_in_operator(login, "' OR ''='"), SignInResult::kRefused) << login;
    EXPECT_TRUE(prompt_.shown().empty());
    EXPECT_EQ(value("SELECT count(*) FROM balcora.operador"), "1");

    // The same texts as data are stored and read back intact.
    const int id = add("o'neil\\x", false, "p'w\\d1", "José D'Ávila");
    ASSERT_GT(id, 0);
    EXPECT_EQ(find_operator(id)->name, "José D'Ávila");
    EXPECT_EQ(find_operator(id)->login, "o'neil\\x");
    EXPECT_EQ(sign_in_operator("O'NEIL\\X", "p'w\\d1"), SignInResult::kSignedIn);
    EXPECT_EQ(current_name(), "José D'Ávila");
}

TEST_F(AccessControl, ValidatesWhatOperatorsType) {
    EXPECT_EQ(add("   "), 0);
    EXPECT_EQ(add("tem espaco"), 0);
    EXPECT_EQ(add("treze_letras_"), 0);
    EXPECT_EQ(add("curta", false, "abc"), 0);
    EXPECT_EQ(add("longa", false, "1234567890123"), 0);
    EXPECT_EQ(add("branca", false, "      "), 0);
    EXPECT_EQ(add("semnome", false, "abcd", " "), 0);
    EXPECT_EQ(add("nomelongo", false, "abcd", std::string(61, 'a')), 0);
    EXPECT_EQ(prompt_.count_containing("Informe o login!"), 1);
    EXPECT_EQ(prompt_.count_containing("espaços"), 1);
    EXPECT_EQ(prompt_.count_containing("no máximo 12"), 1);
    EXPECT_EQ(prompt_.count_containing("de 4 a 12 caracteres"), 2);
    EXPECT_EQ(prompt_.count_containing("Informe a senha!"), 1);
    EXPECT_EQ(prompt_.count_containing("Informe o nome!"), 1);
    EXPECT_EQ(prompt_.count_containing("no máximo 60"), 1);
    EXPECT_FALSE(has_operators());

    // Twelve accented letters are twelve characters, not twenty-four bytes.
    EXPECT_GT(add("ááááááááááá1", false, "çççç"), 0);
    EXPECT_GT(add("Ana"), 0);
    prompt_.clear();
    EXPECT_EQ(add("ANA"), 0);
    EXPECT_EQ(prompt_.count_containing("Login já cadastrado"), 1);
}

TEST_F(AccessControl, RightsAreBitsPerProcedureAndAdministratorsHoldAll) {
    const int caixa = add("caixa");
    add("gerente", true);
    ASSERT_EQ(sign_in_operator("caixa", "senha1"), SignInResult::kSignedIn);
    EXPECT_FALSE(has_right("QuickSale", kRightAccess));

    ASSERT_TRUE(set_rights(caixa, "QuickSale", kRightAccess));
    EXPECT_TRUE(has_right("QuickSale", kRightAccess));
    EXPECT_TRUE(has_right("quicksale", kRightAccess));
    EXPECT_FALSE(has_right("QuickSale", kRightSupervisor));
    EXPECT_FALSE(has_right("QuickSale", kRightAccess | kRightSupervisor));
    EXPECT_FALSE(has_right("MenuFiscal", kRightAccess));

    ASSERT_TRUE(set_rights(caixa, "QUICKSALE", kRightAccess | kRightSupervisor));
    EXPECT_EQ(value("SELECT count(*) FROM balcora.direito"), "1");
    EXPECT_TRUE(has_right("QuickSale", kRightSupervisor));
    EXPECT_EQ(rights_of(caixa, "QuickSale"), 3);

    ASSERT_TRUE(set_rights(caixa, "QuickSale", 0));
    EXPECT_EQ(value("SELECT count(*) FROM balcora.direito"), "0");
    EXPECT_FALSE(require_right("QuickSale", kRightAccess));
    EXPECT_EQ(prompt_.count_containing(
                  "Acesso negado!|O usuário caixa não tem permissão de Acesso em \"Quick Sale - "
                  "Venda Rápida\"."),
              1);

    ASSERT_EQ(change_login(AppNumQueue, "gerente", "senha1"), kLoginChanged);
    EXPECT_TRUE(has_right("QuickSale", kRightAccess | kRightSupervisor));
    EXPECT_TRUE(has_right("QualquerNome", 0xff));
    EXPECT_FALSE(set_rights(0, "QuickSale", 1));
    EXPECT_FALSE(set_rights(caixa, "", 1));
    EXPECT_FALSE(set_rights(caixa, std::string(41, 'p'), 1));

    sign_out();
    EXPECT_FALSE(has_right("QuickSale", kRightAccess));
}

TEST_F(AccessControl, LastActiveAdministratorAndOneselfCannotBeRemoved) {
    const int chefe = add("chefe", true);
    const int caixa = add("caixa");
    ASSERT_EQ(sign_in_operator("caixa", "senha1"), SignInResult::kSignedIn);

    EXPECT_FALSE(delete_operator(chefe));
    auto op = *find_operator(chefe);
    op.active = false;
    EXPECT_FALSE(update_operator(op));
    op.active = true;
    op.administrator = false;
    EXPECT_FALSE(update_operator(op));
    EXPECT_TRUE(find_operator(chefe)->administrator);
    EXPECT_TRUE(find_operator(chefe)->active);
    EXPECT_EQ(prompt_.count_containing("último administrador ativo"), 3);

    EXPECT_FALSE(delete_operator(caixa));
    auto me = *find_operator(caixa);
    me.active = false;
    EXPECT_FALSE(update_operator(me));
    EXPECT_EQ(prompt_.count_containing("próprio usuário"), 2);

    // With a second administrator the first may go, its rights with it.
    const int vice = add("vice", true);
    ASSERT_TRUE(set_rights(chefe, "QuickSale", 3));
    EXPECT_TRUE(delete_operator(chefe));
    EXPECT_FALSE(find_operator(chefe));
    EXPECT_EQ(value("SELECT count(*) FROM balcora.direito"), "0");
    EXPECT_FALSE(delete_operator(vice));
    EXPECT_FALSE(delete_operator(chefe));
    EXPECT_EQ(prompt_.count_containing("Usuário não encontrado!"), 1);
}

TEST_F(AccessControl, ChangesOfOneselfFollowTheSignIn) {
    const int id = add("ana", true, "senha1", "Ana");
    ASSERT_EQ(sign_in_operator("ana", "senha1"), SignInResult::kSignedIn);
    auto op = *find_operator(id);
    op.login = "ana.paula";
    op.name = "Ana Paula";
    ASSERT_TRUE(update_operator(op));
    EXPECT_EQ(current_login(), "ana.paula");
    EXPECT_EQ(current_name(), "Ana Paula");
    EXPECT_EQ(glo::nome_operador, "ana.paula");

    ASSERT_TRUE(set_operator_password(id, "nova12"));
    EXPECT_TRUE(current_password_matches("nova12"));
    EXPECT_FALSE(set_operator_password(id, "x"));
    EXPECT_TRUE(current_password_matches("nova12"));
    EXPECT_FALSE(set_operator_password(9999, "valida1"));
}

TEST_F(AccessControl, ChangeLoginCodes) {
    add("caixa", false, "senha1", "Caixa Um");
    add("super", false, "senha2", "Supervisor");
    EXPECT_EQ(change_login(AppNumQueue, "super", "senha2"), kLoginNotSignedIn);
    EXPECT_EQ(prompt_.count_containing("Nenhum usuário identificado"), 1);

    ASSERT_EQ(sign_in_operator("caixa", "senha1"), SignInResult::kSignedIn);
    const int handle = AppNumQueue;
    EXPECT_EQ(change_login(handle + 1, "super", "senha2"), kLoginNotSignedIn);
    EXPECT_EQ(change_login(handle, "super", "errada"), kLoginRefused);
    EXPECT_EQ(change_login(handle, "super' --", "senha2"), kLoginRefused);
    EXPECT_EQ(prompt_.count_containing(kInvalidLoginMessage), 2);
    EXPECT_EQ(current_login(), "caixa");

    EXPECT_EQ(change_login(handle, "SUPER", "senha2"), kLoginChanged);
    EXPECT_EQ(AppNumQueue, handle);
    EXPECT_EQ(current_login(), "super");
    EXPECT_EQ(current_name(), "Supervisor");
    EXPECT_EQ(glo::nome_operador, "super");
}

TEST_F(AccessControl, OutdatedDigestIsRenewedAtSignIn) {
    const int id = add("velho", false, "senha1");
    auto weak = hash_password("senha1", 1000);
    ASSERT_TRUE(QUERYSQL("UPDATE balcora.operador SET senha_hash='" + weak->hash_hex +
                         "', senha_sal='" + weak->salt_hex +
                         "', senha_iteracoes=1000 WHERE id_operador=" + std::to_string(id)) == "1");
    ASSERT_EQ(sign_in_operator("velho", "senha1"), SignInResult::kSignedIn);
    EXPECT_EQ(value("SELECT senha_iteracoes FROM balcora.operador WHERE login='velho'"),
              std::to_string(kPasswordIterations));
    sign_out();
    EXPECT_EQ(sign_in_operator("velho", "senha1"), SignInResult::kSignedIn);
}

TEST_F(AccessControl, InitialisationNamesTheSystemAndNeedsTheTables) {
    EXPECT_TRUE(initialise_access_control("Balcora"));
    EXPECT_EQ(AppNameDesc, "Balcora");
    EXPECT_FALSE(has_operators());
    EXPECT_TRUE(prompt_.shown().empty());

    ASSERT_EQ(QUERYSQL("ALTER TABLE balcora.direito RENAME TO direito_x"), "1");
    EXPECT_FALSE(initialise_access_control("Balcora"));
    EXPECT_EQ(prompt_.count_containing("Dados de segurança indisponíveis"), 1);

    db::close_connection();
    EXPECT_FALSE(initialise_access_control("Balcora"));
    EXPECT_EQ(prompt_.count_containing("sem conexão"), 1);
}

TEST_F(AccessControl, DemoOperatorComesWithTheDemoDataOnce) {
    ASSERT_TRUE(load_demo_data());
    ASSERT_TRUE(ensure_demo_operator());
    EXPECT_EQ(value("SELECT count(*) FROM balcora.operador WHERE login='demo' AND "
                    "administrador=1 AND ativo=1"),
              "1");
    ASSERT_EQ(sign_in_operator("demo", "demo"), SignInResult::kSignedIn);
    EXPECT_EQ(current_name(), "Operador Demonstração");
    EXPECT_TRUE(prompt_.shown().empty());
}

}  // namespace balcora::test
