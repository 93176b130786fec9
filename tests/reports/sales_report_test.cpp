#include "reports/sales_report.h"
#include "db/query_sql.h"
#include "globals/globals.h"
#include "reports/sales_report_screen.h"
#include "support/test_database.h"
#include "util/fixed_point_text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace balcora::test {

using reports::ReportLine;
using reports::SalesReport;
using reports::SalesReportModel;

class SalesReports : public DbTest {
  protected:
    void SetUp() override {
        glo::id_empresa = 1;
        QUERYSQL(
            "INSERT INTO balcora.empresa (id_empresa, razao_social, ativa) VALUES (1, 'Mercado "
            "São João', 1);"
            "INSERT INTO balcora.cliente (id_cliente, nome) VALUES (1, 'Ana Souza');"
            "INSERT INTO balcora.produto (id_produto, codigo, descricao, unidade) VALUES "
            "(7, '7', 'Arroz 5kg', 'PC'), (8, '8', 'Feijão 1kg', 'UN');");
    }
    void coupon(int id, int numero, const char* day, const char* client, const char* total,
                const char* discount = "0", char status = 'E') {
        QUERYSQL(
            "INSERT INTO balcora.cfiscal (id_cfiscal, id_empresa, numero, data, id_cliente, "
            "total, vl_desconto, vl_acrescimo, situacao) VALUES (" +
            std::to_string(id) + ", 1, " + std::to_string(numero) + ", '" + day + "', " + client +
            ", " + total + ", " + discount + ", 0, '" + status + "');");
    }
    void item(int coupon, int n, int product, const char* qty, const char* total,
              int cancelled = 0) {
        QUERYSQL(
            "INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, qtdade, preco, "
            "total, vl_desconto, vl_acrescimo, item_cancelado, descricao) VALUES (" +
            std::to_string(coupon) + ", " + std::to_string(n) + ", " + std::to_string(product) +
            ", " + qty + ", " + total + ", " + total + ", 0, 0, " + std::to_string(cancelled) +
            ", 'item');");
    }
    void payment(int coupon, int order, const char* form, const char* value,
                 const char* change = "0") {
        QUERYSQL(
            "INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, valor, vl_troco) VALUES (" +
            std::to_string(coupon) + ", " + std::to_string(order) + ", '" + form + "', " + value +
            ", " + change + ");");
    }
    static SalesReport report(SalesReportModel model, util::DayNumber first, util::DayNumber last) {
        auto r = reports::build_sales_report(model, first, last, {2026, 12, 7, 9, 5, 0});
        EXPECT_TRUE(r.has_value());
        return r.value_or(SalesReport{});
    }
    static util::DayNumber nov(int day) { return util::day_number(2026, 11, day); }
};

TEST_F(SalesReports, SummaryTakesIssuedCouponsOfThePeriodAndNetPayments) {
    coupon(1, 1, "2026-11-03", "1", "10.50");
    coupon(2, 2, "2026-11-30", "NULL", "5.25");
    coupon(3, 3, "2026-11-10", "1", "999.00", "0", 'C');  // cancelled
    coupon(4, 4, "2026-12-01", "1", "7.00");              // after the period
    payment(1, 1, "DI", "20.00", "9.50");
    payment(2, 1, "CA", "3.25");
    payment(2, 2, "PX", "1.00");
    payment(2, 3, "PI", "0.75");
    payment(2, 4, "CC", "0.25");
    payment(3, 1, "DI", "999.00");
    // A card payment the manager undid took no money.
    QUERYSQL(
        "INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, valor, vl_troco, cancelada) "
        "VALUES (2, 5, 'CA', 5.25, 0, 1);");

    const SalesReport r = report(SalesReportModel::kSummary, nov(1), nov(30));
    EXPECT_EQ(r.company, "Mercado São João");
    EXPECT_EQ(r.title, "VENDAS RESUMIDO");
    EXPECT_EQ(r.emitted, "Emitido em 07/12/2026 às 09:05");
    EXPECT_EQ(r.period, "Periodo de: 01/11/2026 até 30/11/2026");
    ASSERT_EQ(r.lines.size(), 2u);
    EXPECT_EQ(r.lines[0].cells, (std::vector<std::string>{"00000001", "03/11/2026", "Emitido",
                                                          "Ana Souza", "10,50"}));
    EXPECT_EQ(r.lines[1].cells[3], "Consumidor");
    EXPECT_EQ(util::to_br(r.sales_total), "15,75");
    // Every form the payment screen offers has its name (PIX and the cheque
    // query included); only a code it never writes is unknown.
    ASSERT_EQ(r.payments.size(), 5u);
    EXPECT_EQ(r.payments[0].name, "CARTÃO");
    EXPECT_EQ(r.payments[1].name, "CONS.CHEQ");
    EXPECT_EQ(util::to_br(r.payments[2].amount), "10,50");  // change taken off
    EXPECT_EQ(r.payments[3].name, "PIX");
    EXPECT_EQ(r.payments[4].name, "Desconhec");
    EXPECT_EQ(util::to_br(r.payments_total), "15,75");
    EXPECT_EQ(r.sales_per_day.size(), 2u);

    // The text model prints the same figures in its fixed columns.
    const auto text =
        reports::summary_text_lines(report(SalesReportModel::kSummaryText, nov(1), nov(30)));
    const std::string first_coupon =
        " 00000001 03/11/2026 Emitido   Ana Souza" + std::string(31, ' ') + "10,50";
    EXPECT_NE(std::find(text.begin(), text.end(), first_coupon), text.end());
    EXPECT_NE(std::find(text.begin(), text.end(), "DINHEIRO" + std::string(12, ' ') + "10,50"),
              text.end());
    EXPECT_EQ(text.back(), "Total" + std::string(15, ' ') + "15,75");

    // A period without issued coupons still prints, with zero totals.
    const SalesReport empty = report(SalesReportModel::kSummary, nov(4), nov(9));
    EXPECT_TRUE(empty.lines.empty());
    EXPECT_EQ(empty.totals, std::vector<std::string>{"Total => 0,00"});
    EXPECT_TRUE(empty.payments.empty());
}

TEST_F(SalesReports, ByProductSharesTheSubtotalAdjustmentOverTheItems) {
    coupon(1, 1, "2026-11-03", "NULL", "90.00", "10.00");  // 10 % off the subtotal
    item(1, 1, 7, "1", "60.00");
    item(1, 2, 8, "1", "40.00");
    item(1, 3, 8, "5", "100.00", 1);                      // cancelled item
    coupon(2, 2, "2026-11-04", "NULL", "0.00", "30.00");  // nothing left after the discount
    item(2, 1, 7, "2", "30.00");
    coupon(3, 3, "2026-11-05", "NULL", "50.00", "0", 'C');
    item(3, 1, 7, "9", "50.00");
    coupon(4, 4, "2026-11-06", "NULL", "3.00");
    item(4, 1, 9, "1.5", "3.00");  // a product since removed

    const SalesReport r = report(SalesReportModel::kByProduct, nov(1), nov(30));
    ASSERT_EQ(r.lines.size(), 3u);
    EXPECT_EQ(r.lines[0].cells,
              (std::vector<std::string>{"7", "7", "Arroz 5kg", "PC", "3,000", "54,00"}));
    EXPECT_EQ(r.lines[1].cells[4], "1,000");
    EXPECT_EQ(r.lines[1].cells[5], "36,00");
    EXPECT_EQ(r.lines[2].cells, (std::vector<std::string>{"9", "", "", "", "1,500", "3,00"}));
    EXPECT_EQ(util::to_br(r.sales_total), "93,00");
    EXPECT_EQ(util::to_br(r.quantity_total), "5,500");

    const SalesReport d = report(SalesReportModel::kDetailed, nov(1), nov(30));
    ASSERT_EQ(d.lines.size(), 8u);  // three coupons and their five items
    EXPECT_EQ(d.lines[0].kind, ReportLine::Kind::kCoupon);
    EXPECT_EQ(d.lines[3].cells[2], "item (cancelado)");
    EXPECT_EQ(d.lines[4].kind, ReportLine::Kind::kCoupon);
}

TEST_F(SalesReports, WindowRefusesABadPeriodAndKeepsItsFieldsOnCancel) {
    int printed = 0;
    reports::SalesReportScreen screen([&](const SalesReport&) { return ++printed, false; });
    EXPECT_EQ(screen.first, "01/12/2026");
    EXPECT_EQ(screen.last, "07/12/2026");
    screen.first = "31/02/2026";
    EXPECT_FALSE(screen.emit_report());
    EXPECT_EQ(screen.focus(), reports::SalesReportField::kFirst);
    screen.first = "10/12/2026";
    EXPECT_FALSE(screen.emit_report());
    EXPECT_EQ(screen.focus(), reports::SalesReportField::kLast);
    EXPECT_EQ(prompt_.count_containing("inválida"), 1);
    EXPECT_EQ(printed, 0);

    screen.first = "01/11/2026";
    screen.model = 2;
    EXPECT_FALSE(screen.emit_report());  // the printer dialog was cancelled
    EXPECT_EQ(printed, 1);
    ASSERT_TRUE(screen.last_report().has_value());
    EXPECT_EQ(screen.last_report()->title, "VENDAS POR PRODUTO");
    EXPECT_TRUE(screen.is_open());
}

}  // namespace balcora::test
