// Every column under a record hash, changed by hand as psql would, must mark
// exactly the registers-file records that depend on its row, and nothing
// else. One walk over the whole matrix reports every (table, column) that
// marks too little or too much.
#include "db/record_hash.h"
#include "db/settings.h"
#include "fiscal/document_register.h"
#include "fiscal/paf_registers.h"
#include "sale/sale_fixture.h"
#include "util/day_number.h"

#include <filesystem>
#include <functional>
#include <set>

namespace balcora::test {

namespace {

using Line = std::string;
// Which lines of the file depend on the changed row.
using Dependents = std::function<bool(const Line&)>;

std::string code_of(const Line& line) {
    return line.rfind("R0", 0) == 0 ? line.substr(0, 3) : line.substr(0, 2);
}
long long field(const Line& line, std::size_t from1, std::size_t width) {
    const std::string text = line.substr(from1 - 1, width);
    return text.find_first_not_of("0123456789") == std::string::npos ? std::stoll(text) : -1;
}
bool is(const Line& line, std::initializer_list<const char*> codes) {
    for (const char* c : codes)
        if (code_of(line) == c) return true;
    return false;
}
bool in(long long v, std::initializer_list<long long> values) {
    return std::find(values.begin(), values.end(), v) != values.end();
}

// One changed column: the SQL that changes it, and the lines that must show
// the change. `may_vanish`: the column decides which printer's file the row
// belongs to, so its lines may leave this file instead of being marked.
struct Case {
    std::string table, column, change;
    Dependents dependents;
    bool may_vanish = false;
};

}  // namespace

class TamperMatrix : public ShopFixture {
  protected:
    void SetUp() override {
        ShopFixture::SetUp();
        if (HasFatalFailure()) return;
        DEFINEHASH();
        glo::datahora_ecf = "051226101500";
        add_product(9101, "9101", "7891234591010", "10.00");
        add_product(9102, "9102", "7891234591027", "4.50");
        exec("UPDATE balcora.produto SET qtd_estoque=3 WHERE id_produto IN (9101, 9102)");
        for (int p : {9101, 9102}) ASSERT_TRUE(db::store_hash("produto", p));
        ASSERT_TRUE(GRAVAREGISTRO("balcora", "Desenvolvedor PAF-ECF", "md5exe", "0123abcd"));
        // A second printer of the shop, used least recently.
        exec(
            "INSERT INTO balcora.maqecf (id_maqecf, id_empresa, numero, marca, modelo, num_serie, "
            "situacao, data_sit, cod_marca, cod_modelo, cod_versao, versao_sb) VALUES (2, 1, 2, "
            "'BALCORA', 'ECF VIRTUAL', 'OUTRA0001', 'F', '2026-01-01', 99, 1, 1, '01.00.00')");

        // The day's sales: coupon A (tampered) and B beside it.
        coupon_a_ = coupon(101, 51, "20.00");
        coupon_b_ = coupon(121, 71, "9.00");
        item_ = item(coupon_a_, 1, "10.00");
        item(coupon_a_, 20, "10.00");
        item(coupon_b_, 40, "9.00");
        payment_ = payment(coupon_a_, 2, 101, "DI", "20.00");
        payment(coupon_b_, 1, 121, "CA", "9.00");
        ASSERT_TRUE(register_issued_document("RG", 1, 130, 0, 8, 3, 0, "0"));
        doc_ = value("SELECT max(id_docecf) FROM balcora.docecf");
        ASSERT_TRUE(register_issued_document("CC", 1, 131, 71, 9, 9, 1, "900"));

        // Two reductions: M (tampered) with two totalisers, and the day before.
        reduction_ = reduction("2026-12-05", 12);
        reduction_before_ = reduction("2026-12-04", 11);
        totaliser_ = totaliser(reduction_, "T1800", "01T1800", "10.00");
        totaliser(reduction_, "CANC", "Can-T", "5.00");
        totaliser(reduction_before_, "F", "F1", "3.00");

        // Two invoices written by the back office; the first with two items.
        invoice_ = invoice(55, "100.00");
        invoice_other_ = invoice(300, "30.00");
        invoice_item_ = invoice_item(invoice_, 1, "60.00");
        invoice_item(invoice_, 20, "40.00");
        invoice_item(invoice_other_, 30, "30.00");
        prompt_.clear();
    }

    void exec(const std::string& sql) { ASSERT_EQ(QUERYSQL(sql), "1") << sql; }
    std::string returning(const std::string& sql) {
        const std::string id = QUERYSQL(sql);
        EXPECT_FALSE(id.empty()) << sql;
        return id;
    }
    std::string coupon(int coo, int ccf, const char* total) {
        const std::string id = returning(
            "INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, num_cro, numero, num_ccf, data, "
            "total, vl_desconto, vl_acrescimo, situacao) VALUES (1, 1, 1, " +
            std::to_string(coo) + ", " + std::to_string(ccf) + ", '2026-12-05', " + total +
            ", 0, 0, 'E') RETURNING id_cfiscal");
        EXPECT_TRUE(db::store_hash("cfiscal", std::stoll(id)));
        return id;
    }
    std::string item(const std::string& coupon, int n, const char* total) {
        const std::string id = returning(
            "INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, qtdade, preco, total, "
            "vl_desconto, vl_acrescimo, item_cancelado, totalizador, descricao, unidade) VALUES "
            "(" +
            coupon + ", " + std::to_string(n) + ", 9101, 1, " + total + ", " + total +
            ", 0, 0, 0, '01T1800', 'PRODUTO 9101', 'UN') RETURNING id_cfiscald");
        EXPECT_TRUE(db::store_hash("cfiscald", std::stoll(id)));
        return id;
    }
    std::string payment(const std::string& coupon, int ordem, int coo, const char* tipo,
                        const char* valor) {
        const std::string id = returning(
            "INSERT INTO balcora.cfiscalfp (id_cfiscal, ordem, tipo, valor, vl_troco, num_coo, "
            "num_coo_cf, num_gnf) VALUES (" +
            coupon + ", " + std::to_string(ordem) + ", '" + tipo + "', " + valor + ", 0, " +
            std::to_string(coo) + ", 0, 0) RETURNING id_cfiscalfp");
        EXPECT_TRUE(db::store_hash("cfiscalfp", std::stoll(id)));
        return id;
    }
    std::string reduction(const char* day, int crz) {
        return returning(
            "INSERT INTO balcora.reg60m (id_empresa, id_maqecf, data, num_cont_red_z, num_coo, "
            "num_cont_reinicio, dt_emissao, hr_emissao, vl_venda_bruta, sit_blocox) VALUES (1, 1, "
            "'" +
            std::string(day) + "', " + std::to_string(crz) + ", 140, 1, '" + day +
            "', '22:00:00', 29.00, 'P') RETURNING id_reg60m");
    }
    std::string totaliser(const std::string& reduction, const char* st, const char* name,
                          const char* amount) {
        return returning(
            "INSERT INTO balcora.reg60a (id_reg60m, st_aliq, vl_acumulado, totalizador) VALUES "
            "(" +
            reduction + ", '" + st + "', " + amount + ", '" + name + "') RETURNING id_reg60a");
    }
    std::string invoice(int numero, const char* total) {
        return returning(
            "INSERT INTO balcora.nf (id_empresa, cnpj_emissor, dt_emissao, vl_subtotal, "
            "vl_desconto, vl_total, tp_doc, status, nome_adquirente, cpf_cnpj_adquirente, numero, "
            "serie, tipo_pagto, chave_acesso_nfe, vl_acrescimo) VALUES (1, '11222333000181', "
            "'2026-12-05', " +
            std::string(total) + ", 0, " + total + ", '2', 'E', 'JOSE DA SILVA', '12345678909', " +
            std::to_string(numero) + ", '1', 'DI', '', 0) RETURNING id_nf");
    }
    std::string invoice_item(const std::string& invoice, int n, const char* total) {
        return returning(
            "INSERT INTO balcora.nfdet (id_nf, num_item, cod_produto, descricao, quantidade, "
            "unidade, vl_unitario, vl_desconto, vl_acrescimo, vl_total, totalizador, id_produto) "
            "VALUES (" +
            invoice + ", " + std::to_string(n) + ", '9101', 'PRODUTO 9101', 1, 'UN', " + total +
            ", 0, 0, " + total + ", 'T1800', 9101) RETURNING id_nfdet");
    }

    // The file of the first week of December, its lines without CR LF and
    // without the EAD line.
    std::vector<Line> file_lines() {
        fiscal::RegistersRequest r;
        r.start = util::day_number(2026, 12, 1);
        r.end = util::day_number(2026, 12, 7);
        const auto result = fiscal::generate_paf_registers(r);
        std::vector<Line> out;
        if (!result.ok) return out;
        std::ifstream in(result.file, std::ios::binary);
        for (Line l; std::getline(in, l);) {
            if (!l.empty() && l.back() == '\r') l.pop_back();
            if (l.rfind("EAD", 0) != 0) out.push_back(l);
        }
        in.close();
        std::filesystem::remove(result.file);
        return out;
    }

    // The change a column gets: a new value of its kind that leaves the row
    // in this file's period and printer.
    std::string change_of(const std::string& table, const std::string& column) {
        const std::string type = value(
            "SELECT data_type FROM information_schema.columns WHERE table_schema='balcora' AND "
            "table_name='" +
            table + "' AND column_name='" + column + "'");
        if (type == "date") return column + "+1";
        if (type.rfind("time", 0) == 0) return column + "+interval '1 second'";
        if (type == "character varying" || type == "text" || type == "character")
            return "CASE WHEN left(" + column + ",1)='Z' THEN 'Y' ELSE 'Z' END||substr(" + column +
                   ",2)";
        return column + "+7";
    }

    // The table's own columns that its digest covers (sub-queries over
    // other tables left out).
    std::vector<std::string> hashed_columns(const std::string& table) {
        std::string expr = db::hash_expression(table);
        for (std::size_t at; (at = lowered(expr).find("(select")) != std::string::npos;) {
            std::size_t end = at + 1;
            for (int depth = 1; end < expr.size() && depth > 0; ++end)
                depth += expr[end] == '(' ? 1 : expr[end] == ')' ? -1 : 0;
            expr.erase(at, end - at);
        }
        std::vector<std::string> out;
        db::SqlRecord r;
        QUERYSQL(
            "SELECT column_name FROM information_schema.columns WHERE table_schema='balcora' "
            "AND table_name='" +
                table + "' AND column_name<>'hash'",
            r);
        for (bool more = r.has_row(); more; more = r.next())
            if (has_word(expr, std::string(r.C(1)))) out.emplace_back(r.C(1));
        return out;
    }
    bool hash_expression_lacks(const Case& k, bool developer) {
        if (developer)
            return db::hash_expression("registro").find("nome='" + k.column + "'") ==
                   std::string::npos;
        const auto columns = hashed_columns(k.table);
        return std::find(columns.begin(), columns.end(), k.column) == columns.end();
    }
    static std::string lowered(std::string s) {
        for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return s;
    }
    static bool has_word(const std::string& text, const std::string& word) {
        const auto part = [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
        };
        for (std::size_t at = text.find(word); at != std::string::npos;
             at = text.find(word, at + 1)) {
            const bool starts = at == 0 || (!part(text[at - 1]) && text[at - 1] != '.');
            const bool ends = at + word.size() == text.size() || !part(text[at + word.size()]);
            if (starts && ends) return true;
        }
        return false;
    }

    std::string coupon_a_, coupon_b_, item_, payment_, doc_, reduction_, reduction_before_,
        totaliser_, invoice_, invoice_other_, invoice_item_;
};

TEST_F(TamperMatrix, EveryHashedColumnMarksExactlyTheRecordsOfItsRow) {
    const std::vector<Line> honest = file_lines();
    ASSERT_FALSE(honest.empty()) << testing::PrintToString(messages());
    for (const Line& l : honest) ASSERT_EQ(l.find('?'), std::string::npos) << l;

    const auto r04_a = [](const Line& l) {
        return is(l, {"R04"}) && in(field(l, 47, 9), {51, 58});
    };
    const auto r05_a = [](const Line& l) {
        return is(l, {"R05"}) && in(field(l, 47, 9), {101, 108});
    };
    const auto r07_a = [](const Line& l) {
        return is(l, {"R07"}) && in(field(l, 56, 9), {51, 58});
    };
    const auto a2 = [](const Line& l) { return is(l, {"A2"}); };
    const auto j1 = [](const Line& l) { return is(l, {"J1"}) && in(field(l, 150, 10), {55, 62}); };
    const auto j2 = [](const Line& l) { return is(l, {"J2"}) && in(field(l, 199, 10), {55, 62}); };
    const auto printer_lines = [](const Line& l) { return is(l, {"E3", "R01"}); };
    const long long product_rank =
        std::stoll(value("SELECT count(*) FROM balcora.produto WHERE id_produto<9101"));
    const auto product = [product_rank](const std::vector<Line>& all) {
        std::set<std::size_t> at;
        for (const char* code : {"P2", "E2"}) {
            long long n = 0;
            for (std::size_t i = 0; i < all.size(); ++i)
                if (code_of(all[i]) == code && n++ == product_rank) at.insert(i);
        }
        return at;
    };

    std::vector<Case> cases;
    const auto add = [&](const std::string& table, std::initializer_list<const char*> columns,
                         Dependents d) {
        for (const char* c : columns) cases.push_back({table, c, "", d});
    };
    const auto either = [](Dependents a, Dependents b) {
        return [a, b](const Line& l) { return a(l) || b(l); };
    };
    add("cfiscal", {"total", "situacao"}, r04_a);
    add("cfiscal", {"numero", "num_ccf"}, either(either(r04_a, r05_a), either(r07_a, a2)));
    add("cfiscald",
        {"id_produto", "qtdade", "preco", "total", "vl_acrescimo", "vl_desconto", "item_cancelado",
         "totalizador"},
        [](const Line& l) { return is(l, {"R05"}) && field(l, 65, 3) == 1; });
    add("cfiscalfp", {"num_coo", "num_coo_cf", "num_gnf", "valor", "tipo"},
        either(a2, [](const Line& l) {
            return is(l, {"R07"}) && in(field(l, 86, 13), {2000, 2700});
        }));
    add("docecf", {"num_coo", "num_gnf", "num_cdc", "tipo", "dt_emissao_final", "hr_emissao_final"},
        [](const Line& l) { return is(l, {"R06"}) && field(l, 62, 6) == 3; });
    const auto r02 = [](const Line& l) { return is(l, {"R02"}) && in(field(l, 47, 6), {12, 19}); };
    add("reg60m",
        {"data", "num_coo", "num_cont_reinicio", "dt_emissao", "hr_emissao", "vl_venda_bruta"},
        r02);
    add("reg60m", {"num_cont_red_z"}, either(r02, [](const Line& l) {
            return is(l, {"R03"}) && in(field(l, 47, 6), {12, 19});
        }));
    add("reg60a", {"st_aliq", "totalizador", "vl_acumulado"}, [](const Line& l) {
        return is(l, {"R03"}) && in(field(l, 60, 13), {1000, 1700});
    });
    add("maqecf", {"num_serie"}, [](const Line& l) { return is(l, {"E3"}) || l[0] == 'R'; });
    add("empresa", {"cnpj", "dt_estoque", "hr_estoque"}, printer_lines);
    add("nf",
        {"cnpj_emissor", "vl_subtotal", "vl_desconto", "nome_adquirente", "cpf_cnpj_adquirente",
         "tipo_pagto", "chave_acesso_nfe", "vl_acrescimo"},
        either(j1, a2));
    add("nf", {"dt_emissao", "vl_total", "tp_doc", "numero", "serie"}, either(either(j1, j2), a2));
    add("nfdet",
        {"id_produto", "num_item", "cod_produto", "descricao", "quantidade", "unidade",
         "vl_unitario", "vl_total", "vl_desconto", "vl_acrescimo", "totalizador"},
        [](const Line& l) {
            return is(l, {"J2"}) && in(field(l, 25, 3), {1, 8});
        });
    // An invoice cancelled by hand leaves the day's payments; it stays in J1/J2.
    cases.push_back({"nf", "status", "'C'", either(j1, j2)});
    // Rows moved to another row of the file show up marked where they land.
    cases.push_back({"cfiscald", "id_cfiscal", coupon_b_,
                     [](const Line& l) { return is(l, {"R05"}) && field(l, 65, 3) == 1; }});
    cases.push_back({"cfiscalfp", "id_cfiscal", coupon_b_, either(a2, [](const Line& l) {
                         return is(l, {"R07"}) && field(l, 86, 13) == 2000;
                     })});
    cases.push_back({"reg60a", "id_reg60m", reduction_before_,
                     [](const Line& l) { return is(l, {"R03"}) && field(l, 60, 13) == 1000; }});
    cases.push_back({"nfdet", "id_nf", invoice_other_,
                     [](const Line& l) { return is(l, {"J2"}) && field(l, 25, 3) == 1; }});
    // Moved to the other printer, a row leaves this printer's file.
    cases.push_back({"cfiscal", "id_maqecf", "2", either(either(r04_a, r05_a), r07_a), true});
    cases.push_back({"docecf", "id_maqecf", "2",
                     [](const Line& l) { return is(l, {"R06"}) && field(l, 62, 6) == 3; }, true});
    cases.push_back({"reg60m", "id_maqecf", "2",
                     [](const Line& l) {
                         return is(l, {"R02", "R03"}) && in(field(l, 47, 6), {12});
                     },
                     true});
    add("registro", {"cnpj", "nomesoft", "md5exe"}, [](const Line& l) { return is(l, {"R01"}); });

    const std::map<std::string, std::string> row = {
        {"cfiscal", coupon_a_}, {"cfiscald", item_},      {"cfiscalfp", payment_}, {"docecf", doc_},
        {"reg60m", reduction_}, {"reg60a", totaliser_},   {"maqecf", "1"},         {"empresa", "1"},
        {"nf", invoice_},       {"nfdet", invoice_item_}, {"produto", "9101"}};
    for (const char* c :
         {"codigo", "codigo_barras", "descricao", "qtd_estoque", "ecf_st", "ecf_aliquota",
          "ecf_cod_st", "preco_venda1", "cest", "cod_ncm", "unidade"})
        cases.push_back({"produto", c, "", nullptr});

    std::set<std::string> covered;
    std::vector<std::string> faults;
    for (const Case& k : cases) {
        const std::string name = k.table + "." + k.column;
        covered.insert(name);
        const bool developer = k.table == "registro";
        const std::string where =
            developer ? " WHERE chave='Desenvolvedor PAF-ECF' AND nome='" + k.column + "'"
                      : " WHERE id_" + k.table + "=" + row.at(k.table);
        const std::string column = developer ? "valor" : k.column;
        const std::string change =
            k.change.empty() ? change_of(developer ? "registro" : k.table, column) : k.change;
        if (hash_expression_lacks(k, developer)) faults.push_back(name + ": not under the hash");
        // Kept aside to put back afterwards, exactly.
        QUERYSQL("DROP TABLE IF EXISTS pg_temp.kept");
        QUERYSQL("CREATE TEMP TABLE kept AS SELECT " + column + " AS v FROM balcora." + k.table +
                 where);
        if (QUERYSQL("UPDATE balcora." + k.table + " SET " + column + "=" + change + where) !=
            "1") {
            faults.push_back(name + ": the change was refused");
            continue;
        }
        const std::vector<Line> tampered = file_lines();
        QUERYSQL("UPDATE balcora." + k.table + " SET " + column + "=(SELECT v FROM kept)" + where);
        if (tampered.empty()) {
            faults.push_back(name + ": no file (" + testing::PrintToString(messages()) + ")");
            prompt_.clear();
            continue;
        }
        std::set<std::size_t> dependent;
        if (k.table == "produto")
            dependent = product(tampered);
        else
            for (std::size_t i = 0; i < tampered.size(); ++i)
                if (k.dependents(tampered[i])) dependent.insert(i);
        std::string wrong;
        for (std::size_t i = 0; i < tampered.size(); ++i) {
            const bool marked = tampered[i].find('?') != std::string::npos;
            if (marked != (dependent.count(i) > 0))
                wrong += (marked ? "|  marked: " : "|  unmarked: ") + tampered[i].substr(0, 80);
        }
        if (dependent.empty() && !k.may_vanish) wrong += "|  no record of the row in the file";
        if (!wrong.empty()) faults.push_back(name + wrong);
    }
    // The file is honest again once every value is back.
    for (const Line& l : file_lines()) EXPECT_EQ(l.find('?'), std::string::npos) << l;

    // Every column of every expression is in the walk.
    for (const auto& [table, id] : row)
        for (const std::string& column : hashed_columns(table))
            if (!covered.count(table + "." + column))
                faults.push_back(table + "." + column + ": missing from the matrix");

    std::string report;
    for (const auto& f : faults) report += "\n" + f;
    EXPECT_TRUE(faults.empty()) << faults.size() << " wrong:" << report;
}

}  // namespace balcora::test
