#pragma once

#include "db/query_sql.h"
#include "db/record_hash.h"
#include "ecf/printer_commands.h"
#include "globals/globals.h"
#include "support/test_database.h"
#include "virtual_ecf.h"

#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace balcora::test {

using namespace balcora::ecf;

// The 100-character item record of CMD_SELL_ITEM.
inline std::string item_record(std::string code, const std::string& description,
                               long long price_thousandths, long long quantity_thousandths,
                               long long total_cents, const std::string& tax,
                               const std::string& unit, long long discount_cents = 0,
                               int rate = 0) {
    auto digits = [](long long v, std::size_t width) {
        std::string s = std::to_string(v);
        return std::string(width - s.size(), '0') + s;
    };
    auto fit = [](std::string s, std::size_t width) {
        s.resize(width, ' ');
        return s;
    };
    if (code.size() < 13) code = std::string(13 - code.size(), '0') + code;
    return code.substr(code.size() - 13) + fit(description, 40) + digits(price_thousandths, 9) +
           digits(quantity_thousandths, 7) + digits(total_cents * 10, 12) + fit(tax, 2) + "0" +
           fit(unit, 2) + digits(discount_cents, 10) + digits(rate, 4);
}

// CMD_PAYMENT p1: name (16) + amount x1000 (13) + text (40).
inline std::string payment(const std::string& name, long long cents, const std::string& text = "") {
    std::string n = name, t = text;
    n.resize(16, ' ');
    t.resize(40, ' ');
    std::string a = std::to_string(cents * 10);
    return n + std::string(13 - a.size(), '0') + a + t;
}

// CMD_START_CLOSING p1: amount x1000 (13) + "00000" (discount) or "00002".
inline std::string closing(long long cents, bool discount) {
    std::string a = std::to_string(cents * 10);
    return std::string(13 - a.size(), '0') + a + (discount ? "00000" : "00002");
}

inline std::string padded_path(const std::string& path) {
    return path + std::string(200 - path.size(), ' ');
}

inline std::string read_file(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline int count_of(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The last word of the last line of `text` that starts (blanks aside) with
// `label`: the value printed at the right of a tape line.
inline std::string value_on(const std::string& text, const std::string& label) {
    std::size_t at = std::string::npos;
    for (std::size_t from = text.size(); from > 0;) {
        std::size_t found = text.rfind(label, from - 1);
        if (found == std::string::npos) break;
        std::size_t start = text.rfind('\n', found);
        start = start == std::string::npos ? 0 : start + 1;
        if (text.find_first_not_of(' ', start) == found) {
            at = found;
            break;
        }
        if (found == 0) break;
        from = found;
    }
    if (at == std::string::npos) return "(no line " + label + ")";
    std::size_t end = text.find('\n', at);
    std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
    return line.substr(line.find_last_of(' ') + 1);
}

// A printer "BV0001" of company 1 registered in a fresh database, the shop's
// data filled in, and the pinned clock of the fixture (Monday 2026-12-07 10:00).
class PrinterTest : public DbTest {
  protected:
    void SetUp() override {
        DEFINEHASH();
        glo::numfab = "BV0001";
        glo::id_empresa = 1;
        glo::NumeroLoja = 3;
        vecf::reload();
        QUERYSQL(
            "INSERT INTO balcora.municipio (id_municipio, codigo_ibge, nome, estado) VALUES "
            "(3550308, 3550308, 'SÃO PAULO', 'SP');");
        QUERYSQL(
            "INSERT INTO balcora.empresa (id_empresa, nome, razao_social, endereco, numero, "
            "bairro, id_municipio, cnpj, inscr_estadual, inscr_municipal, ativa) VALUES (1, "
            "'MERCADINHO', 'MERCADINHO BALCORA LTDA', 'RUA DAS FLORES', 120, 'CENTRO', "
            "3550308, '11.222.333/0001-81', '110042490114', '12345678', 1);");
        QUERYSQL(
            "INSERT INTO balcora.maqecf (id_maqecf, id_empresa, numero, num_serie, situacao, "
            "data_sit) VALUES (7, 1, 2, 'BV0001', 'F', '2026-12-04');");
    }
    // What the printer told the operator explains most failures.
    void TearDown() override {
        if (HasFailure())
            for (const auto& shown : prompt_.shown())
                std::cerr << "shown: " << shown.title << " / " << shown.text << "\n";
    }

    bool cmd(int command, const char* p1 = nullptr, const char* p2 = nullptr,
             const char* p3 = nullptr, const char* p4 = nullptr) {
        return COMUNICA(command, p1, p2, p3, p4, nullptr, nullptr, nullptr) != 0;
    }
    bool cmd(int command, const std::string& p1) { return cmd(command, p1.c_str()); }
    bool cmd(int command, const std::string& p1, const std::string& p2) {
        return cmd(command, p1.c_str(), p2.c_str());
    }

    void set_time(int day, int hour, int minute = 0) {
        clock_.set({2026, 12, day, hour, minute, 0});
    }

    bool open_day(long long supply_cents = 10000) {
        std::string a = std::to_string(supply_cents);
        return cmd(CMD_OPEN_DAY, std::string(14 - a.size(), '0') + a);
    }
    bool open_coupon() { return cmd(CMD_OPEN_COUPON, std::string(18, ' ')); }
    bool sell(const std::string& record, const char* surcharge = "0") {
        return cmd(CMD_SELL_ITEM, record.c_str(), surcharge, "T", "00000000000000");
    }
    // A whole coupon of one item paid in cash.
    bool coupon_of(long long cents, const std::string& tax = "01", int rate = 1800) {
        return open_coupon() &&
               sell(item_record("7891000315507", "CAFE", cents * 10, 1000, cents, tax, "UN", 0,
                                tax == "01" || tax == "02" ? rate : 0)) &&
               cmd(CMD_START_CLOSING, closing(0, false)) &&
               cmd(CMD_PAYMENT, payment("Dinheiro", cents)) && cmd(CMD_CLOSE_COUPON, "OBRIGADO");
    }
    int counters() {
        EXPECT_TRUE(cmd(CMD_READ_COUNTERS));
        return n_coo;
    }
    std::string tape() { return read_file(vecf::tape_path()); }
    std::string last_message() {
        return prompt_.shown().empty() ? std::string() : prompt_.shown().back().text;
    }
    std::string sql(const std::string& statement) { return QUERYSQL(statement); }
};

}  // namespace balcora::test
