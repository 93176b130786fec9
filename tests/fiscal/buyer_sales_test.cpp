#include "fiscal/buyer_sales.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "fiscal/buyer_sales_screen.h"
#include "fiscal/ead_signing.h"
#include "globals/globals.h"
#include "support/test_database.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <vector>

namespace balcora::test {

namespace fs = std::filesystem;

class BuyerSales : public DbTest {
  protected:
    void SetUp() override {
        glo::id_empresa = 1;
        QUERYSQL(
            "INSERT INTO balcora.empresa (id_empresa, razao_social, cnpj, inscr_estadual, "
            "inscr_municipal, ativa) VALUES (1, 'Mercado São João', '12.345.678/0001-90', "
            "'123.456.789.110', 'M-4455', 1), (2, 'Outra', '99', '', '', 0);");
        for (auto [key, value] : {std::pair{"cnpj", "55.666.777/0001-88"},
                                  {"ie", "ISENTO"},
                                  {"im", "77.123"},
                                  {"razao", "Balcora Sistemas"},
                                  {"laudo", "LAU0012026"},
                                  {"nomesoft", "Balcora PDV"},
                                  {"versaosoft", "1.0"}})
            GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", key, value);
        // The same CPF punctuated and with a stray letter D, a CNPJ, a CPF
        // with a leading zero, and a consumer who gave no document.
        QUERYSQL(
            "INSERT INTO balcora.cliente (id_cliente, cgcpf) VALUES (1, '987.654.321-00'), "
            "(2, 'D98765432100'), (3, '11.222.333/0001-81'), (4, '012.345.678-90'), (5, '');");
    }
    void coupon(const char* client, const char* day, const char* total, char status = 'E',
                int company = 1) {
        QUERYSQL(
            "INSERT INTO balcora.cfiscal (id_empresa, id_cliente, data, total, situacao) "
            "VALUES (" +
            std::to_string(company) + ", " + client + ", '" + day + "', " + total + ", '" + status +
            "');");
    }
    void invoice(const char* buyer, const char* day, const char* total, char status = 'E',
                 int company = 1) {
        QUERYSQL(
            "INSERT INTO balcora.nf (id_empresa, cpf_cnpj_adquirente, dt_emissao, vl_total, "
            "status) VALUES (" +
            std::to_string(company) + ", '" + buyer + "', '" + day + "', " + total + ", '" +
            status + "');");
    }
    // November 2026: three buyers, one of them on two customer rows and two
    // invoices; sales outside the month, cancelled or of another company.
    void busy_november() {
        coupon("1", "2026-11-03", "10.50");
        coupon("2", "2026-11-20", "5.25");
        coupon("3", "2026-11-10", "100.00");
        coupon("4", "2026-11-15", "1.00");
        coupon("4", "2026-11-16", "999.00", 'C');
        coupon("1", "2026-10-31", "7.00");
        coupon("1", "2026-12-01", "7.00");
        coupon("NULL", "2026-11-05", "50.00");
        coupon("5", "2026-11-06", "8.00");
        coupon("3", "2026-11-11", "40.00", 'E', 2);
        invoice("98765432100", "2026-11-01", "20.00");
        invoice("98765432100", "2026-11-28", "1.10");
        invoice("98765432100", "2026-11-29", "500.00", 'C');
    }
    // The lines of a file without their CR LF.
    static std::vector<std::string> lines(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::string text((std::istreambuf_iterator<char>(in)), {});
        std::vector<std::string> out;
        for (std::size_t at = 0; at < text.size();) {
            std::size_t end = text.find("\r\n", at);
            if (end == std::string::npos) end = text.size();
            out.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return out;
    }
    static bool drafts_left() {
        for (const auto& e : fs::directory_iterator(fiscal::pafecf_folder()))
            if (e.path().extension() == ".tmp") return true;
        return false;
    }
    static std::string pad(std::string text, std::size_t width) {
        text.resize(width, ' ');
        return text;
    }
    const std::string stamp = "20261207100000";
    const std::string z1 =
        "Z1"
        "12345678000190" +
        pad("123456789110", 14) + pad("M4455", 14) + pad("Mercado Sao Joao", 50);
    const std::string z9 =
        "Z9"
        "55666777000188" +
        pad("ISENTO", 14);
};

TEST_F(BuyerSales, OneTotalPerBuyerOverCouponsAndInvoicesInOrderOfTheirDigits) {
    busy_november();
    const auto result = fiscal::generate_buyer_sales({2026, 11, "", false});
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(fs::path(result.file).filename(), "vendascpfcnpj_202611.txt");
    const auto l = lines(result.file);
    ASSERT_EQ(l.size(), 8u);
    EXPECT_EQ(l[0], z1);
    EXPECT_EQ(l[1],
              "Z2"
              "55666777000188" +
                  pad("ISENTO", 14) + pad("77123", 14) + pad("Balcora Sistemas", 50));
    EXPECT_EQ(l[2].substr(0, 14), "Z3LAU0012026Ba");
    // The shorter CPFs come before the CNPJ; the CPF bought on two customer
    // rows (punctuation, a letter D) and two invoices adds up once.
    EXPECT_EQ(l[3],
              "Z4"
              "00001234567890"
              "00000000000100"
              "20261115"
              "20261115" +
                  stamp);
    EXPECT_EQ(l[4],
              "Z4"
              "00098765432100"
              "00000000003685"
              "20261101"
              "20261128" +
                  stamp);
    EXPECT_EQ(l[5],
              "Z4"
              "11222333000181"
              "00000000010000"
              "20261110"
              "20261110" +
                  stamp);
    EXPECT_EQ(l[6], z9 + "000003");
    EXPECT_EQ(l[7].substr(0, 3), "EAD");
    EXPECT_TRUE(fiscal::verify_ead(result.file));
    EXPECT_FALSE(drafts_left());
    EXPECT_EQ(prompt_.count_containing("gerado com sucesso!"), 1);
}

// One buyer is one Z4 however the document was written: an invoice's CPF
// punctuated, a customer's CPF stored without its leading zero; and the
// buyer typed in full finds the sales stored short.
TEST_F(BuyerSales, ABuyerIsOneRecordHoweverHisDocumentWasWritten) {
    QUERYSQL("INSERT INTO balcora.cliente (id_cliente, cgcpf) VALUES (6, '1234567890');");
    coupon("6", "2026-11-02", "3.00");
    coupon("4", "2026-11-15", "1.00");
    invoice("012.345.678-90", "2026-11-20", "2.00");
    const auto all = fiscal::generate_buyer_sales({2026, 11, "", false});
    ASSERT_TRUE(all.ok);
    auto l = lines(all.file);
    ASSERT_EQ(l.size(), 6u);
    EXPECT_EQ(l[3],
              "Z4"
              "00001234567890"
              "00000000000600"
              "20261102"
              "20261120" +
                  stamp);

    const auto one = fiscal::generate_buyer_sales({2026, 11, "01234567890", false});
    ASSERT_TRUE(one.ok);
    l = lines(one.file);
    ASSERT_EQ(l.size(), 6u);
    EXPECT_EQ(l[3].substr(0, 30),
              "Z4"
              "00001234567890"
              "00000000000600");
}

TEST_F(BuyerSales, AMonthOfUnidentifiedConsumersOnlyHasNoBuyerRecord) {
    coupon("NULL", "2026-09-05", "50.00");
    coupon("5", "2026-09-06", "8.00");
    invoice("", "2026-09-07", "3.00");
    const auto result = fiscal::generate_buyer_sales({2026, 9, "", false});
    ASSERT_TRUE(result.ok);
    const auto l = lines(result.file);
    ASSERT_EQ(l.size(), 5u);
    EXPECT_EQ(l[0], z1);
    EXPECT_EQ(l[3], z9 + "000000");
}

TEST_F(BuyerSales, TheWindowMasksTheBuyerAndWritesOnlyHisSales) {
    busy_november();
    fiscal::BuyerSalesScreen screen;
    EXPECT_EQ(screen.competencia, "11/2026");  // the month before today's
    screen.cpf_cnpj = "98765432100";
    screen.leave_cpf_cnpj();
    EXPECT_EQ(screen.cpf_cnpj, "987.654.321-00");
    ASSERT_TRUE(screen.generate());
    EXPECT_EQ(fs::path(screen.last_file()).filename(), "vendascpfcnpj_202611_98765432100.txt");
    const auto l = lines(screen.last_file());
    ASSERT_EQ(l.size(), 6u);
    EXPECT_EQ(l[3].substr(0, 30),
              "Z4"
              "00098765432100"
              "00000000003685");
    // The statement is shown as the server reads it: the pattern keeps its
    // backslash doubled and the typed buyer arrives as a quoted literal.
    ASSERT_GE(prompt_.shown().size(), 2u);
    EXPECT_NE(prompt_.shown()[0].text.find("regexp_replace(cgcpf,'\\\\D','','g')"),
              std::string::npos);
    EXPECT_NE(prompt_.shown()[0].text.find("cpf_cnpj='98765432100'"), std::string::npos);

    screen.cpf_cnpj = "1122233300018";
    screen.leave_cpf_cnpj();
    EXPECT_EQ(screen.cpf_cnpj, "01.122.233/3000-18");
    screen.cpf_cnpj = "123";
    screen.leave_cpf_cnpj();
    EXPECT_EQ(screen.cpf_cnpj, "000.000.001-23");
}

TEST_F(BuyerSales, AnEmptyOrImpossibleMonthIsRefusedAndAFailedQueryLeavesNoFile) {
    fiscal::BuyerSalesScreen screen;
    screen.cpf_cnpj = "12345678901";
    for (const char* month : {"  /    ", "13/2026", "11/26"}) {
        prompt_.clear();
        screen.competencia = month;
        EXPECT_FALSE(screen.generate()) << month;
        EXPECT_EQ(screen.focus(), fiscal::BuyerSalesField::kCompetencia);
        ASSERT_EQ(prompt_.shown().size(), 1u) << month;
        EXPECT_EQ(prompt_.shown()[0].title, "Aviso");
    }
    EXPECT_EQ(prompt_.count_containing("Competência inválida!"), 1);

    QUERYSQL("DROP TABLE balcora.nf CASCADE;");
    prompt_.clear();
    const auto result = fiscal::generate_buyer_sales({2026, 11, "", false});
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(fs::exists(result.file));
    EXPECT_FALSE(drafts_left());
    EXPECT_EQ(prompt_.count_containing("gerado com sucesso!"), 0);
    EXPECT_EQ(prompt_.count_containing("Comando SQL:"), 1);
}

}  // namespace balcora::test
