// The master-data update from the back office: a full update of 50,000
// products with 80,000 barcodes and 20,000 clients into an empty checkout,
// against one INSERT ... SELECT per table over the same link; and a
// changed-only update with 100 changed products, in milliseconds.
#include "backoffice/masterdata_update.h"
#include "bench_steps.h"
#include "db/database.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "demo/demo_data.h"
#include "ratio_reporter.h"
#include "support/test_backoffice.h"
#include "support/test_database.h"
#include "ui/environment.h"

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace balcora;

constexpr int kProducts = 50000;
constexpr int kClients = 20000;

struct Shop {
    test::ScriptedPrompt prompt;
    test::TempRoot root;
    std::unique_ptr<ScopedEnvironment> env;
    std::unique_ptr<test::TestDatabase> db;
    std::unique_ptr<test::TestBackOffice> bo;
};

void fill_back_office(test::TestBackOffice& bo) {
    const std::string serial = demo::kPrinterSerial;
    for (const std::string& s : std::vector<std::string>{
             "INSERT INTO gestao.municipio (id_municipio, codigo_ibge, nome, estado, dt_atual) "
             "SELECT g, 3500000 + g, 'MUNICIPIO ' || g, 'SP', current_date - 30 FROM "
             "generate_series(1, 645) g",
             "INSERT INTO kontora.empresas (id_empresa, nome, razao_social, id_municipio, cnpj) "
             "VALUES (1, 'LOJA', 'LOJA LTDA', 1, '11.222.333/0001-81')",
             "INSERT INTO kontora.maqecf (id_maqecf, id_empresa, numero, marca, modelo, "
             "num_serie, cpd_ativo, modelo_doc_fiscal) VALUES (1, 1, 1, 'BALCORA', 'ECF', '" +
                 serial + "', '1', '2D')",
             "INSERT INTO gestao.st (id_st, id_empresa, codigo, descricao, aliq_pis, aliq_cofins) "
             "VALUES (1, 1, 1, 'ICMS 18', 1.65, 7.60), (2, 1, 2, 'ICMS 7', 1.65, 7.60)",
             "INSERT INTO kontora.stecf (id_maqecf, id_st, ecf_cod_st, ecf_st, ecf_aliquota) "
             "VALUES (1, 1, '01', 'T', 18), (1, 2, '02', 'T', 7)",
             "INSERT INTO gestao.ibptax (codigo, ex, tabela, aliqnac, estadual, municipal) "
             "SELECT (9000000 + g)::text, '', 0, 13.45, 18, 0 FROM generate_series(0, 199) g",
             "INSERT INTO kontora.produto (id, codigo, codigo_barras, nome, unida, categ, "
             "preco_venda1, preco_venda2, preco_venda3, ativo, data_atual, cod_st, cod_ncm, "
             "ex_tipi, cest) SELECT g, lpad(g::text, 6, '0'), '789' || lpad(g::text, 10, '0'), "
             "'PRODUTO ' || g || ' ' || upper(substr(md5(g::text), 1, 10)), 'UN', 1, 1 + g % "
             "500, 1 + g % 480, 1 + g % 460, CASE WHEN g % 50 = 0 THEN 0 ELSE 1 END, "
             "current_date - 30, 1 + g % 2, 9000000 + g % 200, '', 0 FROM generate_series(1, " +
                 std::to_string(kProducts) + ") g",
             "INSERT INTO kontora.estoque (id_empresa, id_estlocal, id_produto, qtdade, valor, "
             "data_atual) SELECT 1, 1, g, g % 300, g % 300 * 2, current_date - 1 FROM "
             "generate_series(1, " +
                 std::to_string(kProducts) + ") g",
             "INSERT INTO kontora.gradeprod (id_produto, variante, codigo_barras) SELECT 1 + (g - "
             "1) % " +
                 std::to_string(kProducts) +
                 ", 'V' || g, '780' || lpad(g::text, 10, '0') FROM generate_series(1, 80000) g",
             "INSERT INTO kontora.vendedor (id, id_empresa, ativo, tipo, nome, id_municipio, "
             "data) SELECT g, 1, 1, 1, 'VENDEDOR ' || g, 1, current_date - 30 FROM "
             "generate_series(1, 40) g",
             "INSERT INTO kontora.clientes (id_cliente, id_empresa, codigo, data_atual, ativo, "
             "pesso, consfinal, cgcpf, nome, razao, ender, bairr, cep, id_municipio, uf, telef, "
             "limcred, data) SELECT g, 1, g, current_date - 30, 1, 2, 1, lpad(g::text, 11, '0'), "
             "'CLIENTE ' || g, 'CLIENTE ' || g || ' DA SILVA', 'RUA ' || g, 'CENTRO', "
             "'01001-000', 1 + g % 645, 'SP', '(11) 3333-' || lpad((g % 10000)::text, 4, '0'), "
             "1000, current_date - 30 FROM generate_series(1, " +
                 std::to_string(kClients) + ") g",
             "ANALYZE kontora.produto; ANALYZE kontora.estoque; ANALYZE kontora.gradeprod; ANALYZE "
             "kontora.clientes"})
        bo.exec(s);
}

Shop& shop() {
    static std::unique_ptr<Shop> s = [] {
        auto shop = std::make_unique<Shop>();
        shop->env = std::make_unique<ScopedEnvironment>(
            Environment{nullptr, &shop->root.root(), &shop->prompt});
        shop->db = std::make_unique<test::TestDatabase>();
        shop->bo = std::make_unique<test::TestBackOffice>(false);
        fill_back_office(*shop->bo);
        shop->bo->point_settings();
        return shop;
    }();
    return *s;
}

void empty_checkout() {
    bench::run(
        "TRUNCATE balcora.municipio, balcora.empresa, balcora.maqecf, balcora.produto, "
        "balcora.codbarra, balcora.itp, balcora.vendedor, balcora.cliente");
}

bool full_update() {
    auto options = backoffice::read_masterdata_options();
    options.tp_atual = false;
    backoffice::MasterDataUpdate update(options, demo::kPrinterSerial);
    return update.run();
}

void masterdata_full(benchmark::State& state) {
    shop();
    for (auto _ : state) {
        state.PauseTiming();
        empty_checkout();
        state.ResumeTiming();
        if (!full_update()) bench::fail("full master-data update");
    }
}
BENCHMARK(masterdata_full)->Unit(benchmark::kMillisecond);

// The bare copy: each table in one INSERT ... SELECT over the link, with the
// casts and nothing else (no rules, no counts, no hashes).
void masterdata_insert_select(benchmark::State& state) {
    auto& s = shop();
    const auto link = s.bo->link();
    const std::vector<std::string> copies = {
        "INSERT INTO balcora.municipio (id_municipio, codigo_ibge, codigo_estadual, nome, estado) "
        "SELECT a::integer, b::integer, c::integer, d, e FROM dblink('A', 'select id_municipio, "
        "codigo_ibge, codigo_estadual, nome, estado from gestao.municipio') AS m(a text, b text, "
        "c text, d text, e text)",
        "INSERT INTO balcora.empresa (id_empresa, nome, razao_social, id_municipio, cnpj) SELECT "
        "a::integer, b, c, d::integer, e FROM dblink('A', 'select id_empresa, nome, razao_social, "
        "id_municipio, cnpj from kontora.empresas') AS m(a text, b text, c text, d text, e text)",
        "INSERT INTO balcora.maqecf (id_maqecf, id_empresa, numero, marca, modelo, num_serie) "
        "SELECT a::integer, b::integer, c::integer, d, e, f FROM dblink('A', 'select id_maqecf, "
        "id_empresa, numero, marca, modelo, num_serie from kontora.maqecf') AS m(a text, b text, "
        "c text, d text, e text, f text)",
        "INSERT INTO balcora.produto (id_produto, codigo, codigo_barras, descricao, unidade, "
        "categ, preco_venda1, preco_venda2, preco_venda3, ativo, data, qtd_estoque, vl_estoque, "
        "dt_estoque, ecf_cod_st, ecf_st, ecf_aliquota, aliq_pis, aliq_cofins, cod_ncm, ex_tipi, "
        "aliq_federal, cest) SELECT id::integer, codigo, codigo_barras, nome, unida, "
        "categ::smallint, p1::numeric, p2::numeric, p3::numeric, ativo::smallint, dt::date, "
        "qt::numeric, vl::numeric, de::date, cs, st, al::numeric, pis::numeric, cof::numeric, "
        "ncm::integer, ex, nac::numeric, cest::integer FROM dblink('A', 'select a.id, a.codigo, "
        "a.codigo_barras, a.nome, a.unida, a.categ, a.preco_venda1, a.preco_venda2, "
        "a.preco_venda3, a.ativo, a.data_atual, coalesce(sum(b.qtdade),0), "
        "coalesce(sum(b.valor),0), max(b.data_atual), e.ecf_cod_st, e.ecf_st, e.ecf_aliquota, "
        "d.aliq_pis, d.aliq_cofins, a.cod_ncm, a.ex_tipi, f.aliqnac, a.cest from kontora.produto "
        "as A left outer join kontora.estoque as B on(b.id_empresa=1 and a.id=b.id_produto) left "
        "outer join kontora.maqecf as C on(C.id_empresa=1 and C.cpd_ativo=''1'') left outer join "
        "gestao.st as D on(C.id_empresa=D.id_empresa and A.cod_st=D.codigo) left outer join "
        "kontora.stecf as E on(C.id_maqecf=E.id_maqecf and D.id_st=E.id_st) left outer join "
        "gestao.ibptax as F on(A.cod_ncm::text=F.codigo and coalesce(A.ex_tipi,'''')=F.ex and "
        "0=F.tabela) group by a.id, e.ecf_cod_st, e.ecf_st, e.ecf_aliquota, d.aliq_pis, "
        "d.aliq_cofins, f.aliqnac') AS p(id text, codigo text, codigo_barras text, nome text, "
        "unida text, categ text, p1 text, p2 text, p3 text, ativo text, dt text, qt text, vl "
        "text, de text, cs text, st text, al text, pis text, cof text, ncm text, ex text, nac "
        "text, cest text)",
        "INSERT INTO balcora.codbarra (codigo, id_produto) SELECT lpad(c, 14, '0'), p::integer "
        "FROM dblink('A', 'select codigo_barras, id_produto from kontora.gradeprod') AS g(c text, "
        "p text)",
        "INSERT INTO balcora.vendedor (id_vendedor, ativo, tipo, nome, id_municipio) SELECT "
        "a::integer, b::smallint, c::smallint, d, e::integer FROM dblink('A', 'select id, ativo, "
        "tipo, nome, id_municipio from kontora.vendedor') AS v(a text, b text, c text, d text, e "
        "text)",
        "INSERT INTO balcora.cliente (id_cliente, ativo, pesso, consfinal, cgcpf, nome, razao, "
        "ender, bairr, cep, id_municipio, uf, telef, limcred, data) SELECT a::integer, "
        "b::smallint, c::smallint, d::smallint, e, f, g, h, i, j, k::integer, l, m, n::numeric, "
        "o::date FROM dblink('A', 'select codigo, ativo, pesso, consfinal, cgcpf, nome, razao, "
        "ender, bairr, cep, id_municipio, uf, telef, limcred, data from kontora.clientes') AS "
        "c(a text, b text, c text, d text, e text, f text, g text, h text, i text, j text, k "
        "text, l text, m text, n text, o text)"};
    for (auto _ : state) {
        state.PauseTiming();
        empty_checkout();
        state.ResumeTiming();
        if (!backoffice::open_link(link)) bench::fail("link");
        bench::run("BEGIN");
        for (const auto& c : copies) bench::run(c);
        bench::run("COMMIT");
        backoffice::close_link();
    }
}
BENCHMARK(masterdata_insert_select)->Unit(benchmark::kMillisecond);

// After a full update, 100 products change in the back office: the
// changed-only update the shop runs daily.
void print_changed_only() {
    auto& s = shop();
    empty_checkout();
    if (!full_update()) bench::fail("full update before the changed-only one");
    s.bo->exec(
        "UPDATE kontora.produto SET preco_venda1 = preco_venda1 + 1, data_atual = "
        "current_date WHERE id % 500 = 7");
    std::vector<double> ms;
    for (int round = 0; round < 5; ++round) {
        auto options = backoffice::read_masterdata_options();
        options.tp_atual = true;
        options.dt_atual = today();
        backoffice::MasterDataUpdate update(options, demo::kPrinterSerial);
        const auto start = std::chrono::steady_clock::now();
        if (!update.run()) bench::fail("changed-only update");
        ms.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
    }
    std::printf("median masterdata_changed_100_products_ms %.1f goal 2000\n", bench::median(ms));
}

}  // namespace

int main(int argc, char** argv) {
    print_changed_only();
    return balcora::bench::run_with_ratios(
        argc, argv,
        {{"masterdata_full_vs_insert_select", "masterdata_full", "masterdata_insert_select", 3.0}});
}
