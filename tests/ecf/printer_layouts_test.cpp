#include "ecf/printer_layouts.h"
#include "ecf/cp1252.h"
#include "support/amounts.h"
#include "util/day_number.h"

#include <gtest/gtest.h>

namespace balcora::test {

using namespace ecf;

namespace {

ItemRecordFields rice() {
    ItemRecordFields item;
    item.code = "78912345";
    item.cest = 1700100;
    item.ncm = 10063021;
    item.description = "ARROZ TIPO 1 5KG";
    item.unit_price = util::Fixed<3>::from_units(24'990);
    item.quantity = thousandths(2'000);
    item.total = cents(4'998);
    item.tax_code = "01";
    item.unit = "UN";
    item.discount = cents(150);
    item.tax_rate = cents(1'800);
    return item;
}

}  // namespace

TEST(ItemRecord, FieldsSitBackToBackInOneHundredCharacters) {
    auto record = item_record(rice());
    ASSERT_TRUE(record);
    ASSERT_EQ(record->size(), kItemRecordWidth);
    EXPECT_EQ(record->substr(0, 13), "0000078912345");
    EXPECT_EQ(record->substr(13, 40), fit("#1700100#10063021#ARROZ TIPO 1 5KG", 40));
    EXPECT_EQ(record->substr(53, 9), "000024990");
    EXPECT_EQ(record->substr(62, 7), "0002000");
    EXPECT_EQ(record->substr(69, 12), "000000049980");
    EXPECT_EQ(record->substr(81, 2), "01");
    EXPECT_EQ(record->substr(83, 1), "0");
    EXPECT_EQ(record->substr(84, 2), "UN");
    EXPECT_EQ(record->substr(86, 10), "0000000150");
    EXPECT_EQ(record->substr(96, 4), "1800");
}

TEST(ItemRecord, CodesDescriptionsAndShortFieldsAreCutOrFilled) {
    auto item = rice();
    item.code = "12345678901234";  // 14 characters: the last 13 go
    item.cest = 0;
    item.ncm = 0;
    item.description = "AÇÚCAR REFINADO UNIÃO PACOTE DE UM QUILOGRAMA";
    item.tax_code = "FF1";
    item.unit = "K";
    auto record = item_record(item);
    ASSERT_TRUE(record);
    EXPECT_EQ(printer_length(*record), kItemRecordWidth);
    EXPECT_EQ(to_cp1252(*record).size(), kItemRecordWidth);
    EXPECT_EQ(record->substr(0, 13), "2345678901234");
    EXPECT_EQ(fit(record->substr(13), 40), "###AÇÚCAR REFINADO UNIÃO PACOTE DE UM QU");
    EXPECT_NE(record->find("FF0K 0000000150"), std::string::npos);

    EXPECT_EQ(item_code("78912345"), "0000078912345");
    EXPECT_EQ(item_code(" 12345678901234 "), "12345678901234");
}

TEST(ItemRecord, ValuesTheFieldsCannotHoldAreRefusedNotCut) {
    auto item = rice();
    item.unit_price = util::Fixed<3>::from_units(1'000'000'000);  // 1,000,000.000 needs 10 digits
    EXPECT_FALSE(item_record(item));
    item = rice();
    item.quantity = thousandths(10'000'000);
    EXPECT_FALSE(item_record(item));
    item = rice();
    item.discount = cents(-1);
    EXPECT_FALSE(item_record(item));
    item = rice();
    item.ncm = 123456789;
    EXPECT_FALSE(item_record(item));
}

TEST(CouponLayouts, ConsumerFieldsKeepTheirWidths) {
    EXPECT_EQ(consumer_document(""), std::string(18, ' '));
    EXPECT_EQ(consumer_document("123.456.789-09"), "123.456.789-09    ");
    const std::string id = consumer_identification("JOÃO DA SILVA", "RUA A, 10", "123.456.789-09");
    EXPECT_EQ(printer_length(id), 65u + 80u + 30u);
    EXPECT_EQ(fit(id, 65), fit("JOÃO DA SILVA", 65));
    EXPECT_EQ(id.substr(id.size() - 30), fit("CPF: 123.456.789-09", 30));
    const std::string company = consumer_identification("MERCADO", "", "11.222.333/0001-81");
    EXPECT_EQ(company.substr(company.size() - 30), fit("CNPJ: 11.222.333/0001-81", 30));
    // A client without a document gets no bare "CPF: " on the coupon.
    const std::string anonymous = consumer_identification("MARIA", "RUA B", "", false);
    EXPECT_EQ(anonymous.substr(anonymous.size() - 30), std::string(30, ' '));
    EXPECT_EQ(voucher_consumer_document(""), "000.000.000-00    ");
}

TEST(CouponLayouts, StartOfClosingCarriesTheAdjustment) {
    EXPECT_EQ(start_closing(Adjustment::kNone, cents(0)), "000000000000000002");
    EXPECT_EQ(start_closing(Adjustment::kNone, cents(500)), "000000000000000002");
    EXPECT_EQ(start_closing(Adjustment::kDiscount, cents(250)), "000000000250000000");
    EXPECT_EQ(start_closing(Adjustment::kSurcharge, cents(123'456)), "000000123456000002");
    EXPECT_FALSE(start_closing(Adjustment::kDiscount, cents(-1)));
}

TEST(CouponLayouts, PaymentAndClosingTexts) {
    auto p = payment("DINHEIRO", cents(5'000), "troco 0,02");
    ASSERT_TRUE(p);
    EXPECT_EQ(*p,
              "DINHEIRO        "
              "0000000050000" +
                  fit("troco 0,02", 40));
    EXPECT_EQ(printer_length(*payment("CARTÃO DE CRÉDITO LONGO", cents(1), "")), 16u + 13u + 40u);
    EXPECT_EQ(payment_terms("30/60/90"), "PRAZO: " + fit("30/60/90", 38));
    EXPECT_EQ(coupon_footer("Obrigado"), "Obrigado" + std::string(255, ' '));
    EXPECT_EQ(printer_length(coupon_footer(std::string(450, 'x'))), 400u + 255u);
    EXPECT_EQ(coupon_invoice_number(0), "      ");
    EXPECT_EQ(coupon_invoice_number(1234), "001234");
    EXPECT_FALSE(coupon_invoice_number(1'234'567));
}

TEST(DayLayouts, CashAmountsAreFourteenDigitsInCents) {
    EXPECT_EQ(opening_supply(cents(10'000)), "00000000010000");
    EXPECT_EQ(cash_movement(CashMovement::kWithdrawal, cents(5'050)), "SA00000000005050");
    EXPECT_EQ(cash_movement(CashMovement::kSupply, cents(1)), "SU00000000000001");
    EXPECT_FALSE(opening_supply(cents(-100)));
    EXPECT_EQ(document_amount(cents(1'250)), "1250");
    EXPECT_EQ(document_amount(cents(0)), "0");
    EXPECT_EQ(plain_amount(cents(1'250)), "12.50");
    EXPECT_EQ(document_line("TOTAL"), "TOTAL\r\n");
}

TEST(MemoryLayouts, DatesCountersAndPathsMakeTheRanges) {
    const util::DayNumber first = util::day_number(2026, 12, 1);
    const util::DayNumber last = util::day_number(2026, 12, 7);
    EXPECT_EQ(date_range(first, last), "01/12/202607/12/2026");
    EXPECT_EQ(reading_by_date(first, last, Reading::kSimplified), "01/12/202607/12/2026S");
    EXPECT_EQ(reading_by_crz(1, 25, Reading::kComplete), "00010025C");
    EXPECT_FALSE(reading_by_date(0, last, Reading::kComplete));

    const std::string path = "/data/sistemas/balcora/pafecf/mf.bin";
    const std::string padded = path + std::string(200 - path.size(), ' ');
    EXPECT_EQ(path_field(path), padded);
    EXPECT_EQ(reading_file_by_date(path, first, last, Reading::kComplete),
              padded + "01/12/202607/12/2026C");
    EXPECT_EQ(reading_file_by_crz(path, 3, 4, Reading::kSimplified), padded + "00030004S");
    EXPECT_EQ(file_by_date(path, first, last), padded + "01/12/202607/12/2026");
    EXPECT_EQ(cotepe_file_by_coo(path, 12, 345), padded + "00120345");
    EXPECT_EQ(mirror_file_by_coo(path, 12, 345), padded + "000012000345");
    EXPECT_EQ(whole_tape_download(path), padded + "01/01/199031/12/2050");
}

TEST(MemoryLayouts, RangesThatWouldBeCutAreRefused) {
    // A cut path or counter would send the printer to another file or range.
    EXPECT_FALSE(path_field("/" + std::string(200, 'a')));
    EXPECT_FALSE(path_field(""));
    EXPECT_TRUE(path_field("/" + std::string(199, 'a')));
    EXPECT_FALSE(cotepe_file_by_coo("/tmp/x", 1, 12'345));
    EXPECT_FALSE(mirror_file_by_coo("/tmp/x", 1, 1'234'567));
    EXPECT_FALSE(reading_by_crz(-1, 2, Reading::kComplete));
}

}  // namespace balcora::test
