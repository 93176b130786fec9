#pragma once

#include "db/literals.h"
#include "db/query_sql.h"
#include "db/sql_record.h"
#include "demo/demo_data.h"
#include "ecf/printer_commands.h"
#include "ecf/printer_driver.h"
#include "globals/globals.h"
#include "support/test_checkout.h"
#include "support/test_database.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace balcora::test {

// The demo shop with its day open.
class ShopFixture : public DbTest, protected TestCheckout {
  protected:
    void SetUp() override {
        ASSERT_TRUE(load_demo_data());
        glo::numfab = demo::kPrinterSerial;
        glo::id_empresa = demo::kCompanyId;
        glo::nome_operador = "ana";
        ASSERT_EQ(QUERYSQL("UPDATE balcora.maqecf SET situacao='A', data_sit='2026-12-07' WHERE "
                           "num_serie='" +
                           std::string(demo::kPrinterSerial) + "';"),
                  "1");
        prompt_.clear();
    }

    // A product of our own beside the demo's: taxed at 18 %, unit "UN".
    void add_product(int id, const std::string& codigo, const std::string& barcode,
                     const std::string& price) {
        ASSERT_EQ(QUERYSQL("INSERT INTO balcora.produto (id_produto, codigo, codigo_barras, "
                           "descricao, unidade, iat, preco_venda1, preco_venda2, preco_venda3, "
                           "ecf_st, ecf_aliquota, ecf_cod_st, ativo, taxa_comissao, cod_ncm, "
                           "cest, aliq_pis, aliq_cofins, aliq_federal, aliq_estadual, "
                           "aliq_municipal) VALUES (" +
                           std::to_string(id) + ", " + TXTSQL(codigo, true) + ", " +
                           TXTSQL(barcode, true) + ", 'PRODUTO " + std::to_string(id) +
                           "', 'UN', 'T', " + price + ", " + price + ", " + price +
                           ", 'T', 18.00, '01', 1, 1.50, 22021000, 0, 1.65, 7.60, 13.45, "
                           "18.00, 0);"),
                  "1");
    }

    std::string value(const std::string& select) {
        db::SqlRecord rec;
        QUERYSQL(select, rec);
        return std::string(rec.C(1));
    }
    int count(const std::string& from_where) {
        return std::stoi(value("SELECT count(*) FROM " + from_where));
    }
    // Messages shown, in order, without the beeps.
    std::vector<std::string> messages() const {
        std::vector<std::string> out;
        for (const auto& s : prompt_.shown())
            if (s.kind != "beep") out.push_back(s.text);
        return out;
    }
};

// The shop with the virtual printer, loaded by path the way the program loads
// a driver, in the test's fresh data root (so a fresh printer).
class SaleFixture : public ShopFixture {
  protected:
    void SetUp() override {
        ShopFixture::SetUp();
        if (HasFatalFailure()) return;
#ifdef BALCORA_VIRTUAL_ECF_PATH
        ASSERT_TRUE(ecf::load_driver(BALCORA_VIRTUAL_ECF_PATH));
#else
        GTEST_SKIP() << "the virtual printer was not built";
#endif
    }
    void TearDown() override {
        ecf::unload_driver();
    }

    // The virtual printer refuses the next `count` commands of a kind.
    void refuse_next(ecf::Command command, int count = 1) {
        using Fn = int (*)(std::int32_t, std::int32_t);
        auto fn = reinterpret_cast<Fn>(ecf::driver_symbol("balcora_vecf_refuse_next"));
        ASSERT_NE(fn, nullptr);
        ASSERT_NE(fn(command, count), 0);
    }

    // What the printer has printed so far (its paper tape).
    std::string paper() {
        using Fn = std::int32_t (*)(char*, std::int32_t);
        auto fn = reinterpret_cast<Fn>(ecf::driver_symbol("balcora_vecf_tape_path"));
        if (!fn) return {};
        char path[1024] = {};
        if (fn(path, sizeof path) <= 0) return {};
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

}  // namespace balcora::test
