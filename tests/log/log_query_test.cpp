#include "log/log_query.h"
#include "db/query_sql.h"
#include "globals/globals.h"
#include "log/operation_log.h"
#include "support/test_database.h"

namespace balcora::test {

class LogQuery : public DbTest {
  protected:
    void add_row(const std::string& when, const std::string& op, const std::string& table,
                 const std::string& id, const std::string& text) {
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.log (data, nome_cpd, nome_usuario, operacao, "
                           "tabela, id, descricao) VALUES ('" +
                           when + "','CAIXA01','ana','" + op + "','" + table + "','" + id + "','" +
                           text + "');"),
                  "1");
    }
};

TEST_F(LogQuery, FiltersAreJoinedAndADateStandsForTheCashDayInsteadOfTheId) {
    log::LogFilter f;
    EXPECT_EQ(log::log_statement(f),
              "select to_char(data,'DD/MM/YYYY HH24:MI'),nome_cpd,nome_usuario,operacao,tabela,id,"
              "descricao from balcora.log order by data desc limit 500;");
    f.tabela = "abridia";
    f.id = "99";
    f.operacao = "FUN";
    EXPECT_NE(log::log_statement(f).find(
                  "where tabela='abridia' and id='99' and operacao='FUN' order by"),
              std::string::npos);
    f.data = util::day_number(2026, 12, 7);
    EXPECT_NE(log::log_statement(f).find("where tabela='abridia' and id='" +
                                         std::to_string(f.data) + "' and"),
              std::string::npos);
}

TEST_F(LogQuery, TextsWithApostrophesAndBackslashesFindTheirRowsSafely) {
    glo::nome_operador = "d'Ávila";
    ASSERT_TRUE(GRAVALOG("ALT", "cliente", "12", "Loja d'Água \\ matriz"));
    ASSERT_TRUE(GRAVALOG("ALT", "cli'ente", "1' or '1'='1", "injeção"));
    log::LogFilter f;
    f.tabela = "cli'ente";
    auto rows = log::query_log(f);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].descricao, "injeção");
    f.tabela.clear();
    f.id = "1' or '1'='1";
    EXPECT_EQ(log::query_log(f).size(), 1u);
    f.id = "12";
    rows = log::query_log(f);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].operador, "d'Ávila");
    EXPECT_EQ(rows[0].descricao, "Loja d'Água \\ matriz");
    EXPECT_TRUE(prompt_.shown().empty());
}

TEST_F(LogQuery, OnlyThe500NewestRowsComeNewestFirstCutToTheirWidths) {
    QUERYSQL(
        "INSERT INTO balcora.log (data, nome_cpd, nome_usuario, operacao, tabela, id, descricao) "
        "SELECT timestamp '2026-01-01 08:00' + g * interval '1 minute', "
        "'COMPUTADOR-DO-CAIXA-1', 'operador.com.nome.longo', 'FUN', 'fechadia', g::text, "
        "repeat('ç', 120) FROM generate_series(1, 510) g;");
    auto rows = log::query_log({});
    ASSERT_EQ(rows.size(), 500u);
    EXPECT_EQ(rows.front().id, "510");
    EXPECT_EQ(rows.back().id, "11");
    EXPECT_EQ(rows.front().data, "01/01/2026 16:30");
    EXPECT_EQ(rows.front().computador, "COMPUTADOR-DO-C");
    EXPECT_EQ(rows.front().operador, "operador.com.no");
    std::string hundred;
    for (int i = 0; i < 100; ++i) hundred += "ç";
    EXPECT_EQ(rows.front().descricao, hundred);
}

TEST_F(LogQuery, AScreenOpenedWithADateKeepsItAndFindsTheFunctionOfThatDay) {
    const util::DayNumber day = util::day_number(2026, 12, 7);
    add_row("2026-12-07 09:00", "FUN", "abridia", std::to_string(day), "abertura");
    add_row("2026-12-06 09:00", "FUN", "abridia", std::to_string(day - 1), "ontem");
    add_row("2026-12-07 09:05", "FUN", "lx", std::to_string(day), "lx ok");
    log::LogQueryScreen screen;
    screen.open("", "abridia", "", day);
    EXPECT_TRUE(screen.date_locked());
    ASSERT_EQ(screen.rows().size(), 1u);
    EXPECT_EQ(screen.rows()[0].descricao, "abertura");

    screen.open("FUNCAO", "abridia", "", 0);
    EXPECT_FALSE(screen.date_locked());
    EXPECT_EQ(screen.filter.operacao, "FUN");  // the field holds 3 characters
    EXPECT_EQ(screen.rows().size(), 2u);
}

TEST_F(LogQuery, ATypedDateMustBeARealDate) {
    log::LogFilter f;
    EXPECT_TRUE(log::set_filter_date(f, "07/12/2026"));
    EXPECT_EQ(f.data, util::day_number(2026, 12, 7));
    EXPECT_TRUE(log::set_filter_date(f, "  /  /    "));
    EXPECT_EQ(f.data, 0);
    f.data = 5;
    EXPECT_FALSE(log::set_filter_date(f, "31/02/2026"));
    EXPECT_EQ(f.data, 5);
    ASSERT_EQ(prompt_.shown().size(), 1u);
    EXPECT_EQ(prompt_.shown()[0].text, "Data inválida!");
}

TEST_F(LogQuery, TheLogMenuListsTheFiscalFunctionsAndTheCashDayComesFromThePrinter) {
    std::vector<std::string> functions;
    for (const auto& b : log::log_menu_buttons()) functions.emplace_back(b.function);
    EXPECT_EQ(functions, (std::vector<std::string>{"abridia", "sup/sangria", "fechadia", "lx",
                                                   "horaverao", "canccf", "canccnf", ""}));
    EXPECT_EQ(log::log_menu_buttons().back().text, "Fe&char");

    EXPECT_EQ(log::current_cash_day(), 0);
    QUERYSQL(
        "INSERT INTO balcora.maqecf (id_maqecf, num_serie, situacao, data_sit) "
        "VALUES (1, 'BV''9', 'A', '2026-12-05');");
    glo::numfab = "BV'9";
    EXPECT_EQ(log::current_cash_day(), util::day_number(2026, 12, 5));
}

}  // namespace balcora::test
