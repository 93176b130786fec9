#include "backoffice/masterdata_update.h"

#include "db/literals.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ui/environment.h"
#include "util/text.h"

#include <chrono>
#include <cstdio>
#include <map>

namespace balcora::backoffice {

namespace {

// A local column's type, for turning the back office's text into it.
struct Column {
    std::string type;
    int width = 0;
};

std::map<std::string, Column> local_columns(const std::string& table) {
    std::map<std::string, Column> out;
    db::SqlRecord r;
    if (!db::read_rows("SELECT column_name, data_type, coalesce(character_maximum_length, 0) "
                       "FROM information_schema.columns WHERE table_schema='balcora' AND "
                       "table_name=" +
                           TXTSQL(table),
                       r))
        return out;
    for (; r.has_row(); r.next())
        out[std::string(r.C(1))] = {std::string(r.C(2)), static_cast<int>(text_to_integer(r.C(3)))};
    return out;
}

// The text of the back office turned into the local column's type: numbers
// and dates from their text (blank is NULL), texts cut to the column's width
// as the checkout's records hold them.
std::string typed(const Column& c, const std::string& text) {
    const std::string value = "nullif(trim(" + text + "),'')";
    if (c.type == "integer" || c.type == "smallint" || c.type == "bigint")
        return value + "::numeric::" + c.type;
    if (c.type == "numeric") return value + "::numeric";
    if (c.type == "date") return value + "::date";
    if (c.type.rfind("time", 0) == 0) return value + "::time";
    if (c.width > 0) return "left(" + text + "," + std::to_string(c.width) + ")";
    return text;
}

// One local column of a copy: the expression (over the fetched text columns)
// it takes, and whether an existing row takes it too.
struct Mapping {
    std::string local;
    std::string expr;
    bool on_update = true;
};

std::vector<Mapping> same_names(const std::vector<std::string>& columns) {
    std::vector<Mapping> m;
    for (const auto& c : columns) m.push_back({c, c});
    return m;
}

// INSERT ... ON CONFLICT DO UPDATE answering (inserted, updated).
std::string upsert(const std::string& table, const std::string& conflict,
                   const std::vector<Mapping>& mappings, const std::string& source) {
    const auto columns = local_columns(table);
    std::string names, values, updates;
    for (const auto& m : mappings) {
        auto it = columns.find(m.local);
        const Column c = it == columns.end() ? Column{"text", 0} : it->second;
        names += (names.empty() ? "" : ", ") + m.local;
        values += (values.empty() ? "" : ", ") + typed(c, m.expr);
        if (m.on_update && m.local != conflict)
            updates += (updates.empty() ? "" : ", ") + m.local + "=EXCLUDED." + m.local;
    }
    return "WITH up AS (INSERT INTO balcora." + table + " (" + names + ") SELECT " + values +
           " FROM " + source + " ON CONFLICT (" + conflict + ") DO UPDATE SET " + updates +
           " RETURNING (xmax = 0) AS inserted) SELECT count(*) FILTER (WHERE inserted), count(*) "
           "FILTER (WHERE NOT inserted) FROM up;";
}

std::string three_digits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

constexpr int kMaxWarnedProducts = 20;
// Up to this many rebuilt products, only their variants are fetched.
constexpr long long kVariantsByList = 2000;

const std::vector<std::string> kProductColumns = {
    "id",         "codigo",       "codigo_barras", "nome",         "unida",
    "categ",      "preco_venda1", "preco_venda2",  "preco_venda3", "ativo",
    "data_atual", "qt_estoque",   "vl_estoque",    "dt_estoque",   "ecf_cod_st",
    "ecf_st",     "ecf_aliquota", "aliq_pis",      "aliq_cofins",  "cod_ncm",
    "ex_tipi",    "aliqnac",      "cest",          "estadual",     "municipal"};

}  // namespace

MasterDataUpdate::MasterDataUpdate(MasterDataOptions options, std::string printer_serial,
                                   Status status)
    : options_(std::move(options)),
      serial_(std::move(printer_serial)),
      status_(std::move(status)) {}

bool MasterDataUpdate::step(const std::string& statement) {
    const std::string name = step_name_;
    return db::run_sql(statement,
                       [&](const db::SqlFailure& f, std::string_view sql) {
                           prompt().message(
                               "Erro", f.text + " (" + name + ")|Comando SQL: " + std::string(sql),
                               ui::Icon::kError);
                       })
        .has_value();
}

bool MasterDataUpdate::fetch(const std::string& temp, const std::string& select,
                             const std::vector<std::string>& columns) {
    // Its key analysed at once, so that the joins that follow are planned on
    // its real size (the whole row would cost more than the join saves).
    return step("CREATE TEMP TABLE " + temp + " ON COMMIT DROP AS " +
                linked_select(select, temp, columns)) &&
           step("ANALYZE " + temp + " (" + columns.front() + ");");
}

bool MasterDataUpdate::count_into(const std::string& statement, TableResult& result) {
    const std::string name = step_name_;
    auto r = db::run_sql(statement, [&](const db::SqlFailure& f, std::string_view sql) {
        prompt().message("Erro", f.text + " (" + name + ")|Comando SQL: " + std::string(sql),
                         ui::Icon::kError);
    });
    if (!r) return false;
    if (r->rows() > 0) {
        result.inserted += text_to_integer(r->value(0, 0));
        if (r->columns() > 1) result.updated += text_to_integer(r->value(0, 1));
    }
    return true;
}

std::string MasterDataUpdate::change_filter(const std::string& column) const {
    return "case when (1=" + std::string(changes_only() ? "1" : "0") + ") then (" +
           since_literal() + "<=coalesce(" + column + ",'1900-01-01')) else true end";
}

bool MasterDataUpdate::changes_only() const {
    return options_.tp_atual && options_.dt_atual > 0;
}

// Never an empty text: the server reads the literal as a date even where the
// filter is switched off.
std::string MasterDataUpdate::since_literal() const {
    return TXTSQL(options_.dt_atual > 0 ? util::iso_date(options_.dt_atual) : "1900-01-01");
}

void MasterDataUpdate::begin_table(const std::string& name) {
    step_name_ = name;
    results_.push_back({name, 0, 0});
    if (status_) status_("Nº ECF: " + three_digits(options_.num_ecf) + " - Tabela: " + name);
}

bool MasterDataUpdate::run() {
    const auto start = std::chrono::steady_clock::now();
    results_.clear();
    failed_step_.clear();
    if (db::hash_expression("produto").empty()) DEFINEHASH();
    // The program's sessions steer the planner to index lookups, which suit
    // its one-row screens; the copy joins whole tables, for this transaction
    // only, as the planner sees fit.
    bool ok = db::run_sql("begin;").has_value() &&
              db::run_sql(
                  "SET LOCAL enable_seqscan=on; SET LOCAL enable_hashjoin=on; SET LOCAL "
                  "enable_mergejoin=on;")
                  .has_value() &&
              connect() && copy_all();
    if (ok) {
        step_name_ = "dt_atual";
        ok = GRAVAREGISTRO("balcora", kMasterDataSection, "dt_atual", util::iso_date(today())) &&
             db::run_sql("commit;").has_value();
    }
    if (!ok) {
        failed_step_ = step_name_;
        db::run_sql("rollback;", db::report_nothing);
    }
    close_link();
    elapsed_ = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (ok)
        prompt().message("Aviso", "Atualização Concluída com Sucesso!", ui::Icon::kInformation);
    else
        prompt().message(
            "Aviso",
            "Não foi Possivel atualizar o Banco de Dados do Balcora!|Etapa: " + failed_step_,
            ui::Icon::kWarning);
    return ok;
}

bool MasterDataUpdate::connect() {
    step_name_ = "Conexão";
    db::SqlFailure failure;
    std::string shown;
    if (open_link(masterdata_link(options_), status_, &failure, &shown)) return true;
    prompt().message("Aviso",
                     "Não foi possivel conectar ao servidor |IP: " + options_.ip +
                         "|Banco de Dados: " + options_.db + "|Usuário: " + options_.user,
                     ui::Icon::kWarning);
    if (!failure.text.empty()) db::report_in_sql_dialog(failure, shown);
    return false;
}

bool MasterDataUpdate::copy_all() {
    return municipalities() && company() && printer() && products() && product_barcodes() &&
           compositions() && sellers() && clients();
}

bool MasterDataUpdate::municipalities() {
    begin_table("MUNICIPIO");
    const std::vector<std::string> cols = {"id_municipio", "codigo_ibge", "codigo_estadual",
                                           "nome",         "estado",      "id_regiao",
                                           "cst_frete_m3", "populacao",   "dt_atual"};
    if (!fetch("bo_municipio",
               "select id_municipio, codigo_ibge, codigo_estadual, nome, estado, id_regiao, "
               "cst_frete_m3,populacao, dt_atual from gestao.municipio where " +
                   change_filter("dt_atual") + " order by id_municipio",
               cols))
        return false;
    auto mappings = same_names(std::vector<std::string>(cols.begin(), cols.end() - 1));
    return count_into(upsert("municipio", "id_municipio", mappings, "bo_municipio"), current());
}

bool MasterDataUpdate::company() {
    begin_table("EMPRESA");
    const std::string empresa = std::to_string(options_.empresa);
    const std::vector<std::string> cols = {"id_empresa",
                                           "nome",
                                           "razao_social",
                                           "endereco",
                                           "numero",
                                           "bairro",
                                           "id_municipio",
                                           "cnpj",
                                           "inscr_estadual",
                                           "inscr_municipal",
                                           "telefone",
                                           "fax",
                                           "login_default",
                                           "tol_notas",
                                           "tol_cheques",
                                           "taxa_juros",
                                           "repor_notas_aberto",
                                           "rec_transf_estoque"};
    if (!fetch("bo_empresa",
               "select A.id_empresa, A.nome, A.razao_social, A.endereco, A.numero, A.bairro, "
               "A.id_municipio, A.cnpj, A.inscr_estadual, A.inscr_municipal, A.telefone, A.fax, "
               "A.login_default, A.tol_notas, A.tol_cheques, A.taxa_juros, A.repor_notas_aberto, "
               "A.rec_transf_estoque from kontora.empresas as A left outer join kontora.maqecf "
               "as B on(A.id_empresa=B.id_empresa) where A.id_empresa = " +
                   empresa + " and B.num_serie=" + TXTSQL(serial_),
               cols))
        return false;
    auto found = db::run_sql("SELECT count(*) FROM bo_empresa;");
    if (!found) return false;
    if (text_to_integer(found->value(0, 0)) == 0) {
        prompt().message(
            "Atenção",
            "Máquina ECF não cadastrado no morvela com este número de série(" + serial_ + ")!",
            ui::Icon::kWarning);
        return false;
    }
    // Only the columns the checkout's company row has; it becomes the one
    // active company.
    auto mappings = same_names({"id_empresa", "nome", "razao_social", "endereco", "numero",
                                "bairro", "id_municipio", "cnpj", "inscr_estadual",
                                "inscr_municipal", "telefone", "fax", "taxa_juros"});
    mappings.push_back({"bloq_estoque_negativo", options_.bloq_estoque ? "'1'" : "'0'"});
    mappings.push_back({"ativa", "'1'"});
    return count_into(upsert("empresa", "id_empresa", mappings, "bo_empresa"), current()) &&
           step("UPDATE balcora.empresa SET ativa=0 WHERE NOT id_empresa=" + empresa + ";") &&
           // A company new to the checkout has no stock date yet: it holds the
           // cleared day, since a Null would leave its digest Null.
           step("UPDATE balcora.empresa SET dt_estoque=coalesce(dt_estoque," + DTSQL_HASHED(0) +
                "), hr_estoque=coalesce(hr_estoque,'00:00:00') WHERE id_empresa=" + empresa +
                ";") &&
           step("UPDATE balcora.empresa SET hash=" + db::hash_expression("empresa") +
                " WHERE id_empresa=" + empresa + ";");
}

bool MasterDataUpdate::printer() {
    begin_table("MAQECF");
    const std::vector<std::string> cols = {"id_maqecf",
                                           "id_empresa",
                                           "numero",
                                           "marca",
                                           "modelo",
                                           "porta_com",
                                           "modelo_doc_fiscal",
                                           "num_serie",
                                           "modelo_scanner",
                                           "porta_com_scanner",
                                           "situacao",
                                           "data_sit",
                                           "dt1",
                                           "dt2",
                                           "horario_verao",
                                           "gera_est_gerencial",
                                           "data_reducaoz",
                                           "num_subst_proprietario",
                                           "cod_marca",
                                           "cod_modelo",
                                           "cod_versao"};
    if (!fetch("bo_maqecf",
               "select id_maqecf, id_empresa, numero, marca, modelo, porta_com, "
               "modelo_doc_fiscal, num_serie, modelo_scanner, porta_com_scanner, situacao, "
               "data_sit,dt1, dt2, horario_verao, gera_est_gerencial, data_reducaoz, "
               "num_subst_proprietario,cod_marca,cod_modelo,cod_versao from kontora.maqecf where "
               "id_empresa=" +
                   std::to_string(options_.empresa),
               cols))
        return false;
    std::vector<Mapping> mappings;
    for (const auto& c : cols) {
        // The printer's id keeps the coupons that point to it; its day state
        // (open or closed, the day, the last Z) is the driver's, never the
        // back office's.
        const bool local_only =
            c == "id_maqecf" || c == "situacao" || c == "data_sit" || c == "data_reducaoz";
        mappings.push_back({c == "num_subst_proprietario" ? "num_prop_ecf" : c, c, !local_only});
    }
    return count_into(
        upsert("maqecf", "num_serie", mappings, "bo_maqecf WHERE trim(coalesce(num_serie,''))<>''"),
        current());
}

bool MasterDataUpdate::products() {
    begin_table("PRODUTO");
    const std::string empresa = std::to_string(options_.empresa);
    // Barcodes that scan several units keep their factor when rebuilt.
    if (!step("CREATE TEMP TABLE bo_fator ON COMMIT DROP AS SELECT codigo, id_produto, fator "
              "FROM balcora.codbarra WHERE fator IS DISTINCT FROM 1;"))
        return false;
    if (!options_.tp_atual && !step("DELETE FROM balcora.codbarra;")) return false;
    if (!fetch(
            "bo_produto",
            "select a.id, a.codigo, a.codigo_barras, a.nome, a.unida, a.categ, "
            "a.preco_venda1, a.preco_venda2, a.preco_venda3,a.ativo,a.data_atual "
            ",coalesce(sum(b.qtdade),0) as qt_estoque, coalesce(sum(b.valor),0) as "
            "vl_estoque, max(b.data_atual) as dt_estoque ,e.ecf_cod_st, e.ecf_st, "
            "e.ecf_aliquota, d.aliq_pis, d.aliq_cofins, a.cod_ncm, a.ex_tipi, f.aliqnac, "
            "a.cest, f.estadual, f.municipal from kontora.produto as A left outer join "
            "kontora.estoque as B on(b.id_empresa=" +
                empresa +
                " and a.id=b.id_produto) left outer join kontora.maqecf as C on(C.id_empresa=" +
                empresa +
                " and C.cpd_ativo='1') left outer join gestao.st as D on(C.id_empresa=D.id_empresa "
                "and A.cod_st=D.codigo) left outer join kontora.stecf as E "
                "on(C.id_maqecf=E.id_maqecf and D.id_st=E.id_st) left outer join gestao.ibptax "
                "as F on(A.cod_ncm::text=F.codigo and coalesce(A.ex_tipi,'')=F.ex and "
                "0=F.tabela) where a.ativo=a.ativo group by a.id, a.codigo, a.codigo_barras, "
                "a.nome, a.unida, a.categ, a.preco_venda1, a.preco_venda2, a.preco_venda3, "
                "a.ativo, a.data_atual, e.ecf_cod_st, e.ecf_st, e.ecf_aliquota, d.aliq_pis, "
                "d.aliq_cofins, a.cod_ncm, a.ex_tipi, f.aliqnac, a.cest, f.estadual, "
                "f.municipal order by a.id;",
            kProductColumns))
        return false;
    // The code and barcode rules, the state of each product here, and
    // whether its registration is to be copied (tp_atual 0, or changed since
    // the last update).
    const std::string since = since_literal();
    if (!step("CREATE TEMP TABLE bo_prod ON COMMIT DROP AS SELECT x.*, lpad(CASE WHEN "
              "length(coalesce(trim(x.codigo_barras),''))<13 THEN lpad(left(x.code,13),13,'0') "
              "ELSE trim(x.codigo_barras) END,14,'0') AS barcode FROM (SELECT b.*, "
              "trim(b.id)::integer AS pid, CASE WHEN coalesce(trim(b.codigo),'')='' THEN "
              "lpad(trim(b.id),6,'0') ELSE trim(b.codigo) END AS code, "
              "coalesce(nullif(trim(b.ativo),'')::integer,0)<>0 AS active, p.id_produto IS NOT "
              "NULL AS present, (" +
              std::string(changes_only() ? "false" : "true") + " OR " + since +
              "<=coalesce(nullif(trim(b.data_atual),''),'1900-01-01')) AS changed FROM "
              "bo_produto b LEFT JOIN balcora.produto p ON p.id_produto=trim(b.id)::integer) "
              "x;") ||
        !step("ANALYZE bo_prod (pid, present, active, changed);"))
        return false;
    if (!warn_missing_tax_rates()) return false;

    const std::string price = "preco_venda" + std::to_string(options_.preco);
    std::vector<Mapping> registration = {
        {"codigo", "code"},
        {"codigo_barras", "barcode"},
        {"descricao", "nome"},
        {"unidade", "unida"},
        {"ippt", "CASE WHEN trim(categ)='2' THEN 'P' ELSE 'T' END"},
        {"categ", "categ"},
        {"preco_venda1", price},
        {"preco_venda2", "preco_venda2"},
        {"preco_venda3", "preco_venda3"},
        {"ecf_st", "ecf_st"},
        {"ecf_aliquota", "ecf_aliquota"},
        {"ecf_cod_st", "ecf_cod_st"},
        {"ativo", "ativo"},
        {"data", "data_atual"},
        {"aliq_pis", "aliq_pis"},
        {"aliq_cofins", "aliq_cofins"},
        {"aliq_trib", "aliqnac"},
        {"aliq_federal", "aliqnac"},
        {"aliq_estadual", "estadual"},
        {"aliq_municipal", "municipal"},
        // Zero, not NULL, when the back office has none: both enter the
        // product's record hash, which a NULL would make NULL (a product
        // that always fails its integrity check).
        {"cod_ncm", "coalesce(nullif(trim(cod_ncm),''),'0')"},
        {"ex_tipi", "ex_tipi"},
        {"cest", "coalesce(nullif(trim(cest),''),'0')"},
    };
    const auto columns = local_columns("produto");
    auto value = [&](const Mapping& m) {
        auto it = columns.find(m.local);
        return typed(it == columns.end() ? Column{"text", 0} : it->second, m.expr);
    };
    // New products: the registration, stock, and the fixed flags of a
    // product sold by unit.
    std::string names = "id_produto, vendido_peso, iat, qtd_estoque, vl_estoque, dt_estoque";
    std::string values =
        "pid, 0, 'T', nullif(trim(qt_estoque),'')::numeric, nullif(trim(vl_estoque),'')::numeric, "
        "coalesce(nullif(trim(dt_estoque),''), nullif(trim(data_atual),''))::date";
    std::string sets, typed_values;
    for (const auto& m : registration) {
        names += ", " + m.local;
        values += ", " + value(m);
        sets += (sets.empty() ? "" : ", ") + m.local + "=v." + m.local;
        typed_values += ", " + value(m) + " AS " + m.local;
    }
    if (!step("CREATE TEMP TABLE bo_touched (id integer) ON COMMIT DROP;") ||
        !step("CREATE TEMP TABLE bo_rebuild ON COMMIT DROP AS SELECT pid AS id FROM bo_prod WHERE "
              "NOT present OR (active AND changed);") ||
        !step("ANALYZE bo_rebuild;") ||
        !count_into("WITH ins AS (INSERT INTO balcora.produto (" + names + ") SELECT " + values +
                        " FROM bo_prod WHERE NOT present RETURNING 1) SELECT count(*) FROM ins;",
                    current()))
        return false;
    // The table's key statistics include the rows just inserted, and a kind
    // of change no product has costs no join: the plans below stay lookups
    // by key, never a scan per row.
    const long long inserted = current().inserted;
    if (inserted > 0 && !step("ANALYZE balcora.produto (id_produto);")) return false;
    auto kinds = db::run_sql(
        "SELECT count(*) FILTER (WHERE present AND NOT active), count(*) FILTER (WHERE present "
        "AND active AND changed), count(*) FILTER (WHERE present AND active) FROM bo_prod;");
    if (!kinds) return false;
    const bool any_off = text_to_integer(kinds->value(0, 0)) > 0;
    const bool any_changed = text_to_integer(kinds->value(0, 1)) > 0;
    const bool any_stock = text_to_integer(kinds->value(0, 2)) > 0;
    // Existing ones: an inactive one is only switched off; an active one
    // changed since the last update takes its registration; every active one
    // takes its stock. Rows already equal are left alone.
    const bool ok =
        (!any_off ||
         step("WITH u AS (UPDATE balcora.produto p SET ativo=0 FROM bo_prod b WHERE b.present AND "
              "NOT b.active AND p.id_produto=b.pid AND p.ativo IS DISTINCT FROM 0 RETURNING "
              "p.id_produto) INSERT INTO bo_touched SELECT id_produto FROM u;")) &&
        (!any_changed ||
         step("WITH u AS (UPDATE balcora.produto p SET " + sets + " FROM (SELECT pid" +
              typed_values +
              " FROM bo_prod WHERE present AND active AND changed) v WHERE p.id_produto=v.pid "
              "RETURNING p.id_produto) INSERT INTO bo_touched SELECT id_produto FROM u;")) &&
        (!any_stock ||
         step("WITH s AS (SELECT pid, nullif(trim(qt_estoque),'')::numeric AS qt, "
              "nullif(trim(vl_estoque),'')::numeric AS vl, nullif(trim(dt_estoque),'')::date AS "
              "dt FROM bo_prod WHERE present AND active), u AS (UPDATE balcora.produto p SET "
              "qtd_estoque=s.qt, vl_estoque=s.vl, dt_estoque=coalesce(s.dt, p.dt_estoque) FROM s "
              "WHERE p.id_produto=s.pid AND (p.qtd_estoque, p.vl_estoque, p.dt_estoque) IS "
              "DISTINCT FROM (s.qt, s.vl, coalesce(s.dt, p.dt_estoque)) RETURNING p.id_produto) "
              "INSERT INTO bo_touched SELECT id_produto FROM u;"));
    if (!ok) return false;
    auto counted = db::run_sql("SELECT count(DISTINCT id) FROM bo_touched;");
    if (!counted) return false;
    current().updated += text_to_integer(counted->value(0, 0));
    return step("UPDATE balcora.produto SET hash=" + db::hash_expression("produto") +
                " WHERE id_produto IN (SELECT id FROM bo_touched UNION SELECT pid FROM bo_prod "
                "WHERE NOT present);");
}

bool MasterDataUpdate::warn_missing_tax_rates() {
    db::SqlRecord r;
    if (!db::read_rows("SELECT pid, trim(nome), trim(coalesce(cod_ncm,'')), "
                       "trim(coalesce(ex_tipi,'')), count(*) OVER () FROM bo_prod WHERE active AND "
                       "coalesce(nullif(trim(aliqnac),'')::numeric,0)=0 ORDER BY pid LIMIT " +
                           std::to_string(kMaxWarnedProducts) + ";",
                       r))
        return false;
    if (!r.has_row()) return true;
    // One notice for all of them: a shop with many products lacking the rate
    // is not made to close one box per product.
    const long long total = text_to_integer(r.C(5));
    std::string text;
    for (; r.has_row(); r.next()) {
        if (!text.empty()) text += "||";
        text += "NCM " + std::string(r.C(3)) +
                (r.C(4).empty() ? std::string() : " Ex: " + std::string(r.C(4))) +
                " não encontrado na tabela IPBTax!|Produto: " + std::string(r.C(1)) + " " +
                std::string(r.C(2));
    }
    if (total > kMaxWarnedProducts)
        text += "||... e mais " + std::to_string(total - kMaxWarnedProducts) + " produto(s).";
    prompt().message("Aviso", text, ui::Icon::kWarning);
    return true;
}

bool MasterDataUpdate::product_barcodes() {
    begin_table("CODBARRA");
    auto count = db::run_sql("SELECT count(*) FROM bo_rebuild;");
    if (!count) return false;
    const long long n = text_to_integer(count->value(0, 0));
    if (n == 0) return true;
    std::string where;
    if (changes_only() && n <= kVariantsByList) {
        auto ids = db::run_sql("SELECT string_agg(id::text, ',' ORDER BY id) FROM bo_rebuild;");
        if (!ids) return false;
        where = " WHERE id_produto IN (" + std::string(ids->value(0, 0)) + ")";
    }
    return fetch("bo_grade", "SELECT id_produto, codigo_barras FROM kontora.gradeprod" + where,
                 {"id_produto", "codigo_barras"}) &&
           step("DELETE FROM balcora.codbarra c USING bo_rebuild r WHERE c.id_produto=r.id;") &&
           count_into(
               "WITH ins AS (INSERT INTO balcora.codbarra (codigo, id_produto, fator) "
               "SELECT g.code, g.id, coalesce(f.fator, 1) FROM (SELECT DISTINCT "
               "lpad(trim(codigo_barras),14,'0') AS code, trim(id_produto)::integer AS id "
               "FROM bo_grade WHERE trim(coalesce(codigo_barras,''))<>'') g JOIN "
               "bo_rebuild r ON r.id=g.id LEFT JOIN (SELECT DISTINCT ON (codigo, id_produto) "
               "codigo, id_produto, fator FROM bo_fator) f ON f.codigo=g.code AND "
               "f.id_produto=g.id RETURNING 1) SELECT count(*) FROM ins;",
               current());
}

bool MasterDataUpdate::compositions() {
    begin_table("ITP");
    return fetch("bo_itp",
                 "select a.id_estrutura,a.id_produto,b.id_estruturad,b.id_produto,b.qtdade from "
                 "kontora.estrutura as a left outer join kontora.estruturad as b "
                 "on(a.id_estrutura=b.id_estrutura) left outer join kontora.produto as c "
                 "on(a.id_produto=c.id) where a.versao='ITP' and a.id_empresa = " +
                     std::to_string(options_.empresa) + " and c.categ=2 order by a.id_estrutura",
                 {"id_estrutura", "id_produto", "id_estruturad", "id_insumo", "qtdade"}) &&
           count_into(upsert("itp", "id_itp",
                             {{"id_itp", "id_estruturad"},
                              {"id_produto", "id_produto"},
                              {"id_insumo", "id_insumo"},
                              {"qtdade", "qtdade"}},
                             "bo_itp WHERE id_estruturad IS NOT NULL"),
                      current());
}

bool MasterDataUpdate::sellers() {
    begin_table("VENDEDOR");
    const std::vector<std::string> cols = {
        "id",      "ativo",      "tipo",     "nome",      "ender",        "bairro", "id_municipio",
        "cep",     "cgcpf",      "fone",     "fax",       "celular",      "e_mail", "data",
        "id_tipo", "origem_com", "taxa_com", "forma_pag", "dt_nascimento"};
    if (!fetch("bo_vendedor",
               "select id, ativo, tipo, nome, ender, bairro, id_municipio,cep, cgcpf, fone, fax, "
               "celular, e_mail, data, id_tipo, origem_com, taxa_com, forma_pag, dt_nascimento "
               "from kontora.vendedor where id_empresa=" +
                   std::to_string(options_.empresa) + " and ativo=1",
               cols))
        return false;
    db::SqlRecord r;
    if (!db::read_rows("SELECT trim(id), trim(nome) FROM bo_vendedor WHERE "
                       "coalesce(trim(id_municipio),'') IN ('','0') ORDER BY 1 LIMIT 1;",
                       r))
        return false;
    if (r.has_row()) {
        prompt().message("Aviso",
                         "Favor cadastrar o municipio do vendedor: " + std::string(r.C(1)) + " " +
                             std::string(r.C(2)),
                         ui::Icon::kWarning);
        return false;
    }
    std::vector<Mapping> mappings;
    for (const auto& c : cols) {
        if (c == "id") continue;
        const std::string local = c == "ender"    ? "endereco"
                                  : c == "cgcpf"  ? "cpf_cnpj"
                                  : c == "e_mail" ? "email"
                                                  : c;
        mappings.push_back({local, c});
    }
    mappings.push_back({"id_vendedor", "id"});
    mappings.push_back({"id_empresa", std::to_string(options_.empresa) + "::text"});
    // The seller's code at the checkout is its back-office id unless it has one.
    mappings.push_back({"codigo", "id", false});
    return count_into(upsert("vendedor", "id_vendedor", mappings, "bo_vendedor"), current());
}

bool MasterDataUpdate::clients() {
    begin_table("CLIENTE");
    std::vector<std::string> cols;
    for (const auto& [name, type] : local_columns("cliente"))
        if (name != "id_cliente") cols.push_back(name);
    std::string list = "codigo";
    for (const auto& c : cols) list += ", " + c;
    std::vector<std::string> fetched = {"codigo"};
    fetched.insert(fetched.end(), cols.begin(), cols.end());
    if (!fetch("bo_cliente",
               "select " + list +
                   " from kontora.clientes where id_empresa=" + std::to_string(options_.empresa) +
                   " and " + change_filter("data_atual") + " order by codigo",
               fetched))
        return false;
    db::SqlRecord r;
    if (!db::read_rows("SELECT trim(codigo) FROM bo_cliente WHERE coalesce(trim(id_municipio),'') "
                       "IN ('','0') ORDER BY trim(codigo)::integer LIMIT 1;",
                       r))
        return false;
    if (r.has_row()) {
        prompt().message(
            "Aviso", "Favor informar o Municipio no cadastro de Clientes:" + std::string(r.C(1)),
            ui::Icon::kWarning);
        return false;
    }
    // A client keyed at this checkout (950000 up) that the back office now
    // holds under its own code, found by the same CPF/CNPJ, takes that code
    // and its coupons follow it; when the code is already here, the two
    // become one. A blank CPF/CNPJ identifies nobody; the checkout stores the
    // number punctuated, a back office may not, so the digits are compared.
    const bool renumbered =
        step(
            "CREATE TEMP TABLE bo_renum ON COMMIT DROP AS SELECT DISTINCT ON (l.id_cliente) "
            "l.id_cliente AS old, trim(b.codigo)::integer AS new, EXISTS (SELECT 1 FROM "
            "balcora.cliente x WHERE x.id_cliente=trim(b.codigo)::integer) AS taken FROM "
            "balcora.cliente l JOIN bo_cliente b ON "
            "regexp_replace(coalesce(b.cgcpf,''),'[^0-9A-Za-z]','','g')<>'' AND "
            "regexp_replace(l.cgcpf,'[^0-9A-Za-z]','','g')="
            "regexp_replace(b.cgcpf,'[^0-9A-Za-z]','','g') WHERE l.id_cliente>=950000 AND "
            "l.id_cliente<>trim(b.codigo)::integer ORDER BY l.id_cliente, b.codigo;") &&
        step(
            "UPDATE balcora.cfiscal c SET id_cliente=r.new FROM bo_renum r WHERE "
            "c.id_cliente=r.old;") &&
        step(
            "DELETE FROM balcora.cliente c USING bo_renum r WHERE c.id_cliente=r.old AND "
            "r.taken;") &&
        step(
            "UPDATE balcora.cliente c SET id_cliente=r.new FROM bo_renum r WHERE "
            "c.id_cliente=r.old AND NOT r.taken;");
    if (!renumbered) return false;
    std::vector<Mapping> mappings = same_names(cols);
    mappings.push_back({"id_cliente", "codigo"});
    return count_into(upsert("cliente", "id_cliente", mappings, "bo_cliente"), current());
}

}  // namespace balcora::backoffice
