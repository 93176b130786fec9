#include "db/record_hash.h"

#include "db/query_sql.h"

#include <cstdlib>

namespace balcora {

namespace {

std::map<std::string, std::string, std::less<>>& expressions() {
    static std::map<std::string, std::string, std::less<>> e;
    return e;
}

std::string id_column(std::string_view table) {
    return "id_" + std::string(table);
}

}  // namespace

void DEFINEHASH() {
    auto& e = expressions();
    e["produto"] =
        "MD5(codigo||codigo_barras||descricao||qtd_estoque||ecf_st||ecf_aliquota||ecf_cod_st||"
        "preco_venda1||cest||cod_ncm||unidade)";
    e["maqecf"] = "MD5(num_serie)";
    e["empresa"] = "MD5(cnpj||dt_estoque||hr_estoque)";
    e["reg60m"] =
        "MD5(id_maqecf::text||data||num_cont_red_z||num_coo||num_cont_reinicio||data||dt_emissao||"
        "hr_emissao||vl_venda_bruta)";
    e["reg60a"] =
        "MD5(id_reg60m||st_aliq||totalizador||vl_acumulado||(SELECT num_cont_red_z FROM "
        "balcora.reg60m WHERE id_reg60m=balcora.reg60a.id_reg60m))";
    e["cfiscal"] = "MD5(id_maqecf::text||num_ccf::text||numero::text||total||situacao)";
    e["cfiscald"] =
        "MD5(id_cfiscal::text||id_produto::text||qtdade||preco||total||vl_acrescimo||vl_desconto||"
        "item_cancelado||totalizador||(SELECT numero::text||num_ccf::text FROM balcora.cfiscal "
        "WHERE id_cfiscal=balcora.cfiscald.id_cfiscal))";
    e["cfiscalfp"] =
        "MD5(id_cfiscal::text||num_coo::text||num_coo_cf::text||num_gnf::text||(SELECT "
        "numero::text||num_ccf::text FROM balcora.cfiscal WHERE "
        "id_cfiscal=balcora.cfiscalfp.id_cfiscal)||valor::text||tipo)";
    e["nf"] =
        "MD5(cnpj_emissor::text||dt_emissao::text||vl_subtotal::text||vl_desconto::text||vl_total::"
        "text||tp_doc||status||nome_adquirente::text||cpf_cnpj_adquirente::text||numero::text||"
        "serie||tipo_pagto||chave_acesso_nfe||vl_acrescimo::text)";
    e["nfdet"] =
        "MD5(id_nf::text||id_produto::text||num_item||cod_produto||descricao||quantidade||unidade||"
        "vl_unitario||vl_total||vl_desconto||vl_acrescimo||totalizador||(select "
        "MD5(tp_doc||status||numero::text||serie||dt_emissao||vl_total) from balcora.nf where "
        "id_nf=balcora.nfdet.id_nf))";
    e["docecf"] =
        "MD5(id_maqecf::text||num_coo::text||num_gnf::text||num_cdc::text||tipo||dt_emissao_final||"
        "hr_emissao_final)";
    e["registro"] =
        "MD5((SELECT valor FROM balcora.registro WHERE chave='Desenvolvedor PAF-ECF' AND "
        "nome='cnpj') ||  (SELECT valor FROM balcora.registro WHERE chave='Desenvolvedor PAF-ECF' "
        "AND nome='nomesoft') ||  (COALESCE((SELECT valor FROM balcora.registro WHERE "
        "chave='Desenvolvedor PAF-ECF' AND nome='md5exe'),' '))) ";
}

namespace db {

const std::string& hash_expression(std::string_view table) {
    static const std::string none;
    auto it = expressions().find(table);
    return it == expressions().end() ? none : it->second;
}

bool store_hash(std::string_view table, std::int64_t id) {
    // A writer reached before the start-up defined them (a form opened on
    // its own) still seals its row.
    if (expressions().empty()) DEFINEHASH();
    const std::string& expr = hash_expression(table);
    if (expr.empty()) return false;
    const std::string t(table), key = std::to_string(id);
    std::string statement;
    if (table == "produto" || table == "empresa")
        statement =
            "UPDATE balcora." + t + " SET hash=" + expr + " WHERE " + id_column(t) + "=" + key;
    else
        statement = "update balcora." + t + " set hash=" + expr + " where " + id_column(t) + "=" +
                    key + ";";
    return execute(statement);
}

std::string hash_intact_column(std::string_view table) {
    const std::string& expr = hash_expression(table);
    if (expr.empty()) return "false";
    // A NULL on either side is a failed test: a row whose digest cannot be
    // computed or was never stored proves nothing about its content.
    return "coalesce(hash=" + expr + ",false)";
}

bool verify_hash(std::string_view table, std::int64_t id) {
    auto result = verify_hashes(table, id_column(table) + "=" + std::to_string(id));
    auto it = result.find(id);
    return it != result.end() && it->second;
}

std::map<std::int64_t, bool> verify_hashes(std::string_view table, std::string_view where) {
    std::map<std::int64_t, bool> out;
    const std::string& expr = hash_expression(table);
    if (expr.empty()) return out;
    const std::string t(table), id = id_column(t);
    std::string statement = "select " + id + ", " + hash_intact_column(t) + " from balcora." + t +
                            (where.empty() ? "" : " where " + std::string(where)) + " order by " +
                            id;
    SqlRecord rec;
    if (QUERYSQL(statement, rec).empty()) return out;
    do {
        out[std::atoll(std::string(rec.C(1)).c_str())] = rec.C(2) == "t";
    } while (rec.next());
    return out;
}

bool verify_registro_hash() {
    const std::string& expr = hash_expression("registro");
    if (expr.empty()) return false;
    SqlRecord rec;
    QUERYSQL("select coalesce(" + expr +
                 "=(SELECT valor FROM balcora.registro WHERE chave='Desenvolvedor PAF-ECF' AND "
                 "nome='hash'),false)",
             rec);
    return rec.C(1) == "t";
}

}  // namespace db
}  // namespace balcora
