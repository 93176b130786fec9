// The registers file over a small period of real rows: its records read
// back field by field, how it shows tampered rows, and how it refuses.
#include "fiscal/paf_registers.h"

#include "db/record_hash.h"
#include "fiscal/document_register.h"
#include "fiscal/ead_signing.h"
#include "sale/sale_fixture.h"
#include "util/day_number.h"

#include <filesystem>
#include <map>

namespace balcora::test {

namespace {

// Record code -> line length without CR LF, from the widths of its fields.
const std::map<std::string, std::size_t> kLineLength = {
    {"U1", 94},  {"A2", 48},   {"P2", 120},  {"E2", 111}, {"E3", 84},   {"R01", 310}, {"R02", 104},
    {"R03", 72}, {"R04", 197}, {"R05", 274}, {"R06", 87}, {"R07", 112}, {"J1", 208},  {"J2", 257}};

std::string code_of(const std::string& line) {
    return line.rfind("R0", 0) == 0 ? line.substr(0, 3) : line.substr(0, 2);
}

long long number(const std::string& line, std::size_t from1, std::size_t width) {
    return std::stoll(line.substr(from1 - 1, width));
}

}  // namespace

class PafRegisters : public ShopFixture {
  protected:
    void SetUp() override {
        ShopFixture::SetUp();
        if (HasFatalFailure()) return;
        DEFINEHASH();
        add_product(9101, "9101", "7891234591010", "10.00");
        QUERYSQL("UPDATE balcora.produto SET qtd_estoque=-2.5 WHERE id_produto=9101");
        ASSERT_TRUE(db::store_hash("produto", 9101));
        glo::datahora_ecf = "051226101500";
        // A normal sale paid in cash with change.
        coupon(101, 51, "E", "24.99", "0", "0", "NULL");
        item(101, 1, "2.000", "10.000", "20.00", "0", 0);
        item(101, 2, "1.500", "3.333", "4.99", "0", 0);
        item(101, 3, "1.000", "7.000", "7.00", "0", 1);  // cancelled item
        payment(101, 1, "DI", "30.00", "5.01", true);
        // A sale with a discount, to a client, by card.
        coupon(102, 52, "E", "9.00", "1.00", "0", "1");
        item(102, 1, "1.000", "10.000", "10.00", "1.00", 0);
        payment(102, 1, "CA", "9.00", "0", true);
        // A cancelled coupon.
        coupon(103, 53, "C", "5.00", "0", "0", "NULL");
        item(103, 1, "1.000", "5.000", "5.00", "0", 0);
        payment(103, 1, "DI", "5.00", "0", true);
        // A store-credit sale whose payment has no COO yet, and its voucher.
        coupon(104, 54, "E", "15.00", "0", "0", "1");
        item(104, 1, "1.000", "15.000", "15.00", "0", 0);
        payment(104, 1, "CR", "15.00", "0", false);
        ASSERT_TRUE(register_issued_document("CC", 1, 105, 54, 7, 0, 1, "1500"));
        ASSERT_TRUE(register_issued_document("RG", 1, 106, 0, 8, 3, 0, "0"));
        // The day's reduction, hashed by the database.
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, "
                           "num_cont_red_z, num_coo, num_cont_reinicio, dt_emissao, hr_emissao, "
                           "vl_venda_bruta) VALUES (1, 1, '2026-12-05', 12, 107, 1, '2026-12-05', "
                           "'22:00:00', 55.99) RETURNING id_reg60m"),
                  "1");
        QUERYSQL(
            "INSERT INTO balcora.reg60a (id_reg60m, st_aliq, vl_acumulado, totalizador) "
            "SELECT id_reg60m, 'CANC', 5.00, '' FROM balcora.reg60m");
        prompt_.clear();
    }

    void coupon(int coo, int ccf, const char* situacao, const char* total, const char* desconto,
                const char* acrescimo, const char* cliente) {
        const std::string id = QUERYSQL(
            "INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, num_cro, numero, num_ccf, data, "
            "total, vl_desconto, vl_acrescimo, situacao, id_cliente) VALUES (1, 1, 1, " +
            std::to_string(coo) + ", " + std::to_string(ccf) + ", '2026-12-05', " + total + ", " +
            desconto + ", " + acrescimo + ", '" + situacao + "', " + cliente +
            ") RETURNING id_cfiscal");
        ASSERT_TRUE(db::store_hash("cfiscal", std::stoll(id)));
        ids_[coo] = id;
    }
    void item(int coo, int n, const char* qtd, const char* preco, const char* total,
              const char* desconto, int cancelado) {
        const std::string id = QUERYSQL(
            "INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, qtdade, preco, total, "
            "vl_desconto, vl_acrescimo, item_cancelado, totalizador, descricao, unidade) VALUES (" +
            ids_[coo] + ", " + std::to_string(n) + ", 9101, " + qtd + ", " + preco + ", " + total +
            ", " + desconto + ", 0, " + std::to_string(cancelado) +
            ", '01T1800', 'PRODUTO 9101', 'UN') RETURNING id_cfiscald");
        ASSERT_TRUE(db::store_hash("cfiscald", std::stoll(id)));
    }
    void payment(int coo, int ordem, const char* tipo, const char* valor, const char* troco,
                 bool with_coo) {
        const std::string id = QUERYSQL(
            "INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, valor, vl_troco, num_coo, "
            "num_coo_cf, num_gnf) VALUES (" +
            ids_[coo] + ", " + std::to_string(ordem) + ", '" + tipo + "', " + valor + ", " + troco +
            ", " + (with_coo ? std::to_string(coo) : "0") + ", 0, 0) RETURNING id_cfiscalfp");
        ASSERT_TRUE(db::store_hash("cfiscalfp", std::stoll(id)));
        payments_[coo] = id;
    }

    fiscal::RegistersResult generate(bool from_day_close = false) {
        fiscal::RegistersRequest r;
        r.start = util::day_number(2026, 12, 1);
        r.end = util::day_number(2026, 12, 7);
        r.from_day_close = from_day_close;
        return fiscal::generate_paf_registers(r);
    }

    // The file's lines without CR LF, each checked for its ending; the EAD
    // line last.
    std::vector<std::string> lines(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        const std::string text = s.str();
        std::vector<std::string> out;
        std::size_t at = 0;
        while (at < text.size()) {
            const std::size_t end = text.find("\r\n", at);
            EXPECT_NE(end, std::string::npos) << "line without CR LF at " << at;
            if (end == std::string::npos) break;
            out.push_back(text.substr(at, end - at));
            at = end + 2;
        }
        return out;
    }
    std::vector<std::string> of(const std::vector<std::string>& all, const std::string& code) {
        std::vector<std::string> out;
        for (const auto& l : all)
            if (code_of(l) == code) out.push_back(l);
        return out;
    }
    static bool is_marked(const std::string& line) {
        return line.substr(24, 20).find('?') != std::string::npos;
    }

    std::map<int, std::string> ids_, payments_;
};

TEST_F(PafRegisters, RecordsAgreeWithEachOtherAndTheRows) {
    const auto result = generate(true);
    ASSERT_TRUE(result.ok) << testing::PrintToString(messages());
    EXPECT_EQ(std::filesystem::path(result.file).filename(), "9901010020261200000107122026.txt")
        << "brand, model, version, 14 digits of the serial, the closed day";
    EXPECT_FALSE(std::filesystem::exists(result.file + ".tmp"));
    const auto all = lines(result.file);
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.back().substr(0, 3), "EAD");
    EXPECT_TRUE(fiscal::verify_ead(result.file));

    // Every record in the file's order, at its full width, nothing marked.
    const std::vector<std::string> order = {"U1",  "A2",  "P2",  "E2",  "E3",  "R01", "R02",
                                            "R03", "R04", "R05", "R06", "R07", "J1",  "J2"};
    std::size_t rank = 0;
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        const std::string code = code_of(all[i]);
        ASSERT_TRUE(kLineLength.count(code)) << all[i];
        EXPECT_EQ(all[i].size(), kLineLength.at(code)) << all[i];
        while (rank < order.size() && order[rank] != code) ++rank;
        EXPECT_LT(rank, order.size()) << code << " out of order";
        EXPECT_EQ(all[i].find('?'), std::string::npos) << all[i];
    }

    // A2: the day's payments of issued coupons by form; the cancelled coupon's
    // cash stays out, the nameless product code in an A field drops its blank.
    const auto a2 = of(all, "A2");
    ASSERT_EQ(a2.size(), 3u);
    EXPECT_EQ(a2[0], "A220261205CARTAO                   1000000000900");
    EXPECT_EQ(a2[1], "A220261205CREDIARIO                1000000001500");
    EXPECT_EQ(a2[2], "A220261205DINHEIRO                 1000000003000");

    for (const auto& e2 : of(all, "E2"))
        if (e2.find("PRODUTO 9101") != std::string::npos)
            EXPECT_EQ(e2.substr(101), "-000000250") << "a negative stock";

    // R04 against its R05 items and R07 payments.
    const auto r04 = of(all, "R04"), r05 = of(all, "R05"), r07 = of(all, "R07");
    ASSERT_EQ(r04.size(), 4u);
    ASSERT_EQ(r05.size(), 6u);
    ASSERT_EQ(r07.size(), 4u);
    const std::map<long long, long long> change = {{101, 501}};
    for (const auto& coupon : r04) {
        const long long coo = number(coupon, 56, 9);
        const long long total = number(coupon, 115, 14);
        const long long subtotal = number(coupon, 73, 14);
        const long long discount = number(coupon, 87, 13);
        EXPECT_EQ(subtotal - discount, total) << coupon;
        long long items = 0, paid = 0;
        for (const auto& it : r05)
            if (number(it, 47, 9) == coo && it[236] == 'N') items += number(it, 216, 14);
        for (const auto& p : r07)
            if (number(p, 47, 9) == coo) paid += number(p, 86, 13);
        EXPECT_EQ(items, total) << coupon;
        EXPECT_EQ(paid, total + (change.count(coo) ? change.at(coo) : 0)) << coupon;
    }
    EXPECT_EQ(r04[1].substr(128, 1), "N");
    EXPECT_EQ(r04[2].substr(128, 1), "S") << "the cancelled coupon";
    EXPECT_EQ(r04[1].substr(142, 1), "D") << "a discount given";
    EXPECT_NE(r04[1].substr(143, 40), std::string(40, ' ')) << "the client's name";
    // Quantity and unit price with the three decimals the record declares.
    EXPECT_EQ(r05[1].substr(181, 7), "0001500");
    EXPECT_EQ(r05[1].substr(191, 8), "00003333");
    EXPECT_EQ(r05[2].substr(236, 1), "S") << "the cancelled item";
    EXPECT_EQ(r05[0].substr(270, 4), "TT33");

    // R06 holds the voucher and the report; R02/R03 the reduction.
    const auto r06 = of(all, "R06");
    ASSERT_EQ(r06.size(), 2u);
    EXPECT_EQ(r06[0].substr(46, 9) + r06[0].substr(71, 2), "000000105CC");
    EXPECT_EQ(r06[1].substr(71, 2), "RG");
    ASSERT_EQ(of(all, "R02").size(), 1u);
    EXPECT_EQ(of(all, "R03").at(0).substr(52, 7), "Can-T  ");

    // The payment without a COO was written with its coupon's and now holds
    // it, under a digest that still matches.
    EXPECT_EQ(number(r07[3], 47, 9), 104);
    EXPECT_EQ(value("SELECT num_coo FROM balcora.cfiscalfp WHERE id_cfiscalfp=" + payments_[104]),
              "104");
    EXPECT_TRUE(db::verify_hash("cfiscalfp", std::stoll(payments_[104])));

    // The day close's steps are logged.
    EXPECT_EQ(value("SELECT string_agg(descricao, ',' ORDER BY id_log) FROM balcora.log WHERE "
                    "tabela='fechadia'"),
              "Inicia Registro PAF,Reg. Meio Pagamento,Reg. Tab. Produto,Reg. Estoque,Reg. "
              "Movimento,Reg. NF1,Reg. NF2,Finaliza Registro PAF");
}

TEST_F(PafRegisters, TamperedRowsAreMarkedWhereTheyShow) {
    // One payment changed by hand marks every payment name and its own R07.
    QUERYSQL("UPDATE balcora.cfiscalfp SET valor=8.00 WHERE id_cfiscalfp=" + payments_[102]);
    // A product's price changed by hand marks its unit.
    QUERYSQL("UPDATE balcora.produto SET preco_venda1=9.00 WHERE id_produto=9101");
    auto result = generate();
    ASSERT_TRUE(result.ok) << testing::PrintToString(messages());
    auto all = lines(result.file);
    for (const auto& a2 : of(all, "A2")) EXPECT_NE(a2.find("?"), std::string::npos) << a2;
    EXPECT_EQ(of(all, "A2")[0].substr(10, 25), "CARTAO???????????????????");
    for (const auto& p : of(all, "R07")) EXPECT_EQ(is_marked(p), number(p, 47, 9) == 102) << p;
    for (const char* code : {"P2", "E2"})
        for (const auto& p : of(all, code))
            EXPECT_EQ(p.substr(95, 6) == "UN????", p.find("PRODUTO 9101") != std::string::npos)
                << p;
    EXPECT_FALSE(is_marked(of(all, "R01")[0]));

    // A payment whose digest was never stored fails its test too.
    QUERYSQL("UPDATE balcora.cfiscalfp SET valor=9.00, hash=NULL WHERE id_cfiscalfp=" +
             payments_[102]);
    EXPECT_FALSE(db::verify_hash("cfiscalfp", std::stoll(payments_[102])));
    std::filesystem::remove(result.file);
    result = generate();
    ASSERT_TRUE(result.ok);
    all = lines(result.file);
    for (const auto& p : of(all, "R07")) EXPECT_EQ(is_marked(p), number(p, 47, 9) == 102) << p;

    // The printer row's digest no longer matching marks R01 and every later
    // R record, and the stock's printer.
    QUERYSQL("ALTER TABLE balcora.maqecf DISABLE TRIGGER maqecf_hash;");
    QUERYSQL("UPDATE balcora.maqecf SET hash=md5('outra') WHERE id_maqecf=1;");
    std::filesystem::remove(result.file);
    result = generate();
    ASSERT_TRUE(result.ok);
    all = lines(result.file);
    for (std::size_t i = 0; i + 1 < all.size(); ++i) {
        const std::string code = code_of(all[i]);
        if (code == "R01")
            EXPECT_EQ(all[i].substr(51, 20), "ECF?VIRTUAL?????????");
        else if (code[0] == 'R')
            EXPECT_TRUE(is_marked(all[i])) << all[i];
    }
    EXPECT_EQ(of(all, "E3")[0].substr(50, 20), "ECF?VIRTUAL?????????");
}

TEST_F(PafRegisters, RefusesWhatItCannotWriteTrulyAndLeavesNoFile) {
    // A quantity too large for its seven digits with three decimals.
    coupon(110, 60, "E", "1.00", "0", "0", "NULL");
    item(110, 1, "12345.000", "0.001", "12.34", "0", 0);
    auto result = generate();
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(messages().back(),
              "A quantidade do item 1 do cupom COO 110 não cabe no registro R05 (7 dígitos com 3 "
              "decimais).");
    EXPECT_FALSE(std::filesystem::exists(result.file));
    for (const auto& f :
         std::filesystem::directory_iterator(std::filesystem::path(result.file).parent_path()))
        EXPECT_NE(f.path().extension(), ".tmp") << f.path();
    EXPECT_EQ(value("SELECT num_coo FROM balcora.cfiscalfp WHERE id_cfiscalfp=" + payments_[104]),
              "0")
        << "nothing filled in by a failed generation";

    // Unknown products for the partial stock, and a period backwards.
    fiscal::RegistersRequest r;
    r.start = r.end = util::day_number(2026, 12, 5);
    r.stock_option = 2;
    r.products = {9101, 777777};
    prompt_.clear();
    EXPECT_FALSE(fiscal::generate_paf_registers(r).ok);
    EXPECT_EQ(messages(), std::vector<std::string>{"Produto(s) não cadastrado(s): 777777"});
    r.start = r.end + 1;
    EXPECT_FALSE(fiscal::generate_paf_registers(r).ok);
}

}  // namespace balcora::test
