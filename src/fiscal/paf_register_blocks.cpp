#include "fiscal/paf_register_blocks.h"

#include "db/field_writer.h"
#include "db/literals.h"
#include "db/record_hash.h"
#include "db/row_stream.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "globals/globals.h"
#include "ui/environment.h"

#include <string_view>

namespace balcora::fiscal {

namespace {

// One field of a record: a column of the block's query, or a constant.
struct Field {
    int column;
    std::string_view constant;
    std::string_view code;
    int width;
};
constexpr Field col(int column, std::string_view code, int width) {
    return {column, {}, code, width};
}
constexpr Field lit(std::string_view constant, std::string_view code, int width) {
    return {-1, constant, code, width};
}

void end_line() {
    GRAVACAMPO("\r\n", -1);
}

// SQL pieces: amounts scaled to whole units, dates and times as digits, NULL
// as the field's empty value.
std::string scaled(std::string_view column, int places) {
    const char* factor = places == 3 ? "1000" : "100";
    return "trunc(coalesce(" + std::string(column) + ",0)*" + factor + ")::bigint";
}
std::string cents(std::string_view column) {
    return scaled(column, 2);
}
// The cleared day (a reduction not yet made) is no date, as a NULL.
std::string ymd(std::string_view column) {
    return "coalesce(to_char(nullif(" + std::string(column) + ",'" + std::string(kClearedDateText) +
           "'),'YYYYMMDD'),'')";
}
std::string hms(std::string_view column) {
    return "coalesce(to_char(" + std::string(column) + ",'HH24MISS'),'')";
}
std::string text(std::string_view column) {
    return "coalesce(" + std::string(column) + "::text,'')";
}

std::string period(const RegistersContext& c, std::string_view column) {
    return " AND " + std::string(column) + ">=" + DTSQL(c.start) + " AND " + std::string(column) +
           "<=" + DTSQL(c.end);
}

// The period's coupons of this company and printer, with the digest test of
// each row. The table stays unaliased inside: the digest expression names it.
std::string coupons(const RegistersContext& c) {
    return "(SELECT balcora.cfiscal.*, " + db::hash_intact_column("cfiscal") +
           " AS intact FROM balcora.cfiscal WHERE id_empresa=" + std::to_string(c.id_empresa) +
           " AND id_maqecf=" + std::to_string(c.id_maqecf) + period(c, "data") + ")";
}
constexpr const char* kCouponOrder = "c.data, c.numero, c.id_cfiscal";

// A card payment the manager undid took no money: it is no payment at all.
constexpr const char* kPaymentTaken = "coalesce(cancelada, 0)=0";

std::string with_intact(std::string_view table, std::string_view where = {}) {
    return "(SELECT balcora." + std::string(table) + ".*, " + db::hash_intact_column(table) +
           " AS intact FROM balcora." + std::string(table) +
           (where.empty() ? "" : " WHERE " + std::string(where)) + ")";
}

void write_fields(const db::RowStream& rows, const std::vector<Field>& fields) {
    for (const Field& f : fields)
        GRAVACAMPO(f.column >= 0 ? rows.value(f.column) : f.constant, f.code, f.width);
}

// The four fields every movement record begins with, and the printer's own number.
void write_movement_prefix(const RegistersContext& c, std::string_view code, bool own_intact) {
    GRAVACAMPO(code, 3);
    GRAVACAMPO(c.num_serie, 20);
    GRAVACAMPO(c.mf_adicional, 1);
    // The company row's test marks the printer's own lines (E3, R01) only.
    const bool mark = !own_intact || !c.printer_intact;
    if (mark)
        GRAVACAMPO(marked(c.modelo, 20), 20);
    else
        GRAVACAMPO(c.modelo, 20);
    GRAVACAMPO(c.num_prop_ecf, "N", 2);
}

// One movement record per row; the query's column `intact` says whether the
// row passed its digest test.
bool write_movement(const RegistersContext& c, std::string_view code, const std::string& query,
                    const std::vector<Field>& fields, int intact) {
    db::RowStream rows(query);
    while (rows.next()) {
        write_movement_prefix(c, code, rows.is_true(intact));
        write_fields(rows, fields);
        end_line();
    }
    return !rows.failed() && !db::output_file_failed();
}

std::string payment_name(std::string_view tipo, bool coupon_file) {
    if (tipo == "DI") return "DINHEIRO";
    if (tipo == "CH" || (coupon_file && tipo == "CC")) return "CHEQUE";
    if (tipo == "CA") return "CARTAO";
    if (tipo == "VA") return "VALE";
    if (tipo == "CO") return "CONVENIO";
    if (tipo == "CR") return "CREDIARIO";
    if (tipo == "TR") return "TROCO";
    return coupon_file ? "OUTROS " + std::string(tipo) : "OUTROS";
}

bool any_exclusion_found() {
    for (const char* key : {"U1", "E1", "P1", "R01"})
        if (LEREGISTRO("balcora", "Registro Exclusão/Inclusão", key) == "S") return true;
    return false;
}

std::string cest_text() {
    return "CASE WHEN coalesce(cest,0)=0 THEN '' ELSE lpad(cest::text,7,'0') END";
}

std::string r04_query(const RegistersContext& c) {
    return "SELECT " + text("c.num_ccf") + ", " + text("c.numero") + ", " + ymd("c.data") + ", " +
           cents("c.total - coalesce(c.vl_acrescimo,0) + coalesce(c.vl_desconto,0)") + ", " +
           cents("c.vl_desconto") + ", " + cents("c.vl_acrescimo") + ", " + cents("c.total") +
           ", CASE WHEN c.situacao='C' THEN 'S' ELSE 'N' END, CASE WHEN "
           "coalesce(c.vl_acrescimo,0)>0 THEN 'A' WHEN coalesce(c.vl_desconto,0)>0 THEN 'D' ELSE "
           "' ' END, " +
           text("cl.razao") + ", " + text("cl.cgcpf") + ", c.intact FROM " + coupons(c) +
           " c LEFT JOIN balcora.cliente cl ON cl.id_cliente=c.id_cliente ORDER BY " + kCouponOrder;
}

std::string r05_query(const RegistersContext& c) {
    return "SELECT " + text("c.numero") + ", " + text("c.num_ccf") + ", " + text("d.num_item") +
           ", " + text("d.id_produto") + ", " + text("d.descricao") + ", " + scaled("d.qtdade", 3) +
           ", " + text("d.unidade") + ", " + scaled("d.preco", 3) + ", " + cents("d.vl_desconto") +
           ", " + cents("d.vl_acrescimo") + ", " +
           cents("d.total + coalesce(d.vl_acrescimo,0) - coalesce(d.vl_desconto,0)") + ", " +
           text("d.totalizador") +
           ", CASE WHEN coalesce(d.item_cancelado,0)<>0 THEN 'S' ELSE 'N' END, d.intact FROM "
           "(SELECT id_cfiscal, numero, num_ccf, data FROM balcora.cfiscal WHERE id_empresa=" +
           std::to_string(c.id_empresa) + " AND id_maqecf=" + std::to_string(c.id_maqecf) +
           period(c, "data") + ") c JOIN " + with_intact("cfiscald") +
           " d ON d.id_cfiscal=c.id_cfiscal ORDER BY " + kCouponOrder +
           ", d.num_item, d.id_cfiscald";
}

std::string r07_query(const RegistersContext& c) {
    return "SELECT CASE WHEN coalesce(p.num_coo,0)=0 THEN " + text("c.numero") + " ELSE " +
           text("p.num_coo") + " END, " + text("c.num_ccf") + ", " + text("p.num_gnf") + ", " +
           text("p.tipo") + ", " + cents("p.valor") +
           ", p.intact, p.id_cfiscalfp, coalesce(p.num_coo,0)=0 FROM (SELECT id_cfiscal, numero, "
           "num_ccf, data FROM balcora.cfiscal WHERE id_empresa=" +
           std::to_string(c.id_empresa) + " AND id_maqecf=" + std::to_string(c.id_maqecf) +
           period(c, "data") + ") c JOIN " + with_intact("cfiscalfp", kPaymentTaken) +
           " p ON p.id_cfiscal=c.id_cfiscal ORDER BY " + kCouponOrder + ", p.ordem, p.id_cfiscalfp";
}

std::string reductions_where(const RegistersContext& c) {
    return "id_empresa=" + std::to_string(c.id_empresa) +
           " AND id_maqecf=" + std::to_string(c.id_maqecf) + period(c, "data");
}

std::string r02_query(const RegistersContext& c) {
    return "SELECT " + text("num_cont_red_z") + ", " + text("num_coo") + ", " +
           text("num_cont_reinicio") + ", " + ymd("data") + ", " + ymd("dt_emissao") + ", " +
           hms("hr_emissao") + ", " + cents("vl_venda_bruta") + ", intact FROM " +
           with_intact("reg60m", reductions_where(c)) + " m ORDER BY data, id_reg60m";
}

std::string r03_query(const RegistersContext& c) {
    return "SELECT " + text("m.num_cont_red_z") +
           ", CASE WHEN coalesce(a.totalizador,'')<>'' THEN a.totalizador WHEN a.st_aliq='CANC' "
           "THEN 'Can-T' WHEN a.st_aliq='DESC' THEN 'DT' WHEN a.st_aliq='F' THEN 'F1' WHEN "
           "a.st_aliq='I' THEN 'I1' WHEN a.st_aliq='N' THEN 'N1' ELSE "
           "left('01T'||coalesce(a.st_aliq,''),7) END, " +
           cents("a.vl_acumulado") +
           ", a.intact FROM (SELECT id_reg60m, data, num_cont_red_z FROM balcora.reg60m WHERE " +
           reductions_where(c) + ") m JOIN " + with_intact("reg60a") +
           " a ON a.id_reg60m=m.id_reg60m ORDER BY m.data, m.id_reg60m, a.id_reg60a";
}

std::string r06_query(const RegistersContext& c) {
    return "SELECT " + text("num_coo") + ", " + text("num_gnf") + ", " + text("num_grg") + ", " +
           text("num_cdc") + ", " + text("tipo") + ", " + ymd("dt_emissao_final") + ", " +
           hms("hr_emissao_final") + ", intact FROM " + with_intact("docecf", reductions_where(c)) +
           " d ORDER BY data, num_coo, id_docecf";
}

std::string invoices(const RegistersContext& c) {
    return with_intact("nf", "vl_total>0 AND id_empresa=" + std::to_string(c.id_empresa) +
                                 period(c, "dt_emissao") + " AND status IN ('E','C')");
}
std::string invoice_kind(std::string_view n) {
    return "CASE " + std::string(n) + ".tp_doc WHEN '55' THEN '2' WHEN '56' THEN '3' ELSE '1' END";
}

}  // namespace

std::string marked(std::string_view text, int width) {
    std::string out = db::format_field(text, {}, width);
    for (char& ch : out)
        if (ch == ' ') ch = '?';
    return out;
}

bool write_u1(const RegistersContext& c) {
    GRAVACAMPO("U1", "A", 2);
    GRAVACAMPO(c.cnpj, "N", 14);
    GRAVACAMPO(c.inscr_estadual, "A", 14);
    GRAVACAMPO(c.inscr_municipal, "A", 14);
    if (any_exclusion_found())
        GRAVACAMPO(marked(c.razao_social, 50), 50);
    else
        GRAVACAMPO(c.razao_social, 50);
    end_line();
    return !db::output_file_failed();
}

bool write_a2(const RegistersContext& c) {
    const std::string e = std::to_string(c.id_empresa);
    // A few rows per day: small enough to read whole, and every name depends
    // on whether any payment of the period failed its test.
    const std::string query =
        "SELECT to_char(day,'YYYYMMDD') AS day, code, kind, trunc(total*100)::bigint AS cents, "
        "intact FROM ("
        "SELECT c.data AS day, coalesce(p.tipo,'') AS code, '1' AS kind, sum(p.valor) AS total, "
        "bool_and(p.intact) AS intact FROM balcora.cfiscal c JOIN (SELECT id_cfiscal, tipo, "
        "valor, " +
        db::hash_intact_column("cfiscalfp") +
        " AS intact FROM balcora.cfiscalfp WHERE valor>0 AND " + kPaymentTaken +
        ") p ON p.id_cfiscal=c.id_cfiscal WHERE "
        "c.id_empresa=" +
        e + period(c, "c.data") +
        " AND c.situacao='E' GROUP BY 1, 2 UNION ALL SELECT dt_emissao, coalesce(tipo_pagto,''), "
        "'3', sum(vl_total), bool_and(intact) FROM " +
        with_intact(
            "nf", "vl_total>0 AND id_empresa=" + e + period(c, "dt_emissao") + " AND status='E'") +
        " n GROUP BY 1, 2) a ORDER BY 1, 2, 3";
    db::SqlRecord rows;
    if (!db::read_rows(query, rows)) return false;
    struct Entry {
        std::string day, name, kind, total;
    };
    std::vector<Entry> entries;
    bool all_intact = true;
    for (bool more = rows.has_row(); more; more = rows.next()) {
        entries.push_back({std::string(rows.text("day")), payment_name(rows.text("code"), true),
                           std::string(rows.text("kind")), std::string(rows.text("cents"))});
        all_intact = all_intact && rows.flag("intact");
    }
    if (entries.empty()) {
        prompt().message("Aviso", "Não houve Meios de Pagamento no período Informado!",
                         ui::Icon::kWarning);
        return true;
    }
    for (const Entry& e : entries) {
        GRAVACAMPO("A2", "A", 2);
        GRAVACAMPO(e.day, "N", 8);
        if (all_intact)
            GRAVACAMPO(e.name, "A", 25);
        else
            GRAVACAMPO(marked(e.name, 25), 25);
        GRAVACAMPO(e.kind, "A", 1);
        GRAVACAMPO(e.total, "N", 12);
        end_line();
    }
    return !db::output_file_failed();
}

namespace {

// P2 and E2 share the product's identification fields.
bool write_products(const RegistersContext& c, std::string_view code, bool stock) {
    std::string query = "SELECT " + text("codigo_barras") + ", " + cest_text() + ", " +
                        text("cod_ncm") + ", " + text("descricao") + ", " + text("unidade") +
                        ", intact, ";
    if (stock) {
        query += "CASE WHEN coalesce(qtd_estoque,0)<0 THEN '-' ELSE '+' END, " +
                 cents("abs(qtd_estoque)");
    } else {
        query += text("iat") + ", " + text("ippt") + ", " + text("ecf_st") +
                 ", CASE WHEN ecf_st IN ('T','S') THEN " + cents("ecf_aliquota") + " ELSE 0 END, " +
                 cents("preco_venda1");
    }
    std::string where;
    if (stock && c.partial_stock) {
        std::string list;
        for (std::int64_t id : c.products) list += (list.empty() ? "" : ",") + std::to_string(id);
        where = "id_produto IN (" + list + ")";
    }
    query += " FROM " + with_intact("produto", where) + " p ORDER BY id_produto";

    db::RowStream rows(query);
    while (rows.next()) {
        GRAVACAMPO(code, "A", 2);
        GRAVACAMPO(c.cnpj, "N", 14);
        GRAVACAMPO(rows.value(0), "A", 14);
        GRAVACAMPO(rows.value(1), 7);
        GRAVACAMPO(rows.value(2), "N", 8);
        GRAVACAMPO(rows.value(3), 50);
        if (rows.is_true(5))
            GRAVACAMPO(rows.value(4), 6);
        else
            GRAVACAMPO(marked(rows.value(4), 6), 6);
        if (stock) {
            GRAVACAMPO(rows.value(6), 1);
            GRAVACAMPO(rows.value(7), "N", 9);
        } else {
            GRAVACAMPO(rows.value(6), "A", 1);
            GRAVACAMPO(rows.value(7), "A", 1);
            GRAVACAMPO(rows.value(8), "A", 1);
            GRAVACAMPO(rows.value(9), "N", 4);
            GRAVACAMPO(rows.value(10), "N", 12);
        }
        end_line();
    }
    return !rows.failed() && !db::output_file_failed();
}

}  // namespace

bool write_p2(const RegistersContext& c) {
    return write_products(c, "P2", false);
}

bool write_e2(const RegistersContext& c) {
    return write_products(c, "E2", true);
}

bool write_e3(const RegistersContext& c) {
    GRAVACAMPO("E3", "A", 2);
    GRAVACAMPO(c.num_serie, 20);
    GRAVACAMPO(c.mf_adicional, 1);
    GRAVACAMPO("ECF-IF", 7);
    GRAVACAMPO(c.marca, 20);
    if (c.printer_intact && c.company_intact)
        GRAVACAMPO(c.modelo, 20);
    else
        GRAVACAMPO(marked(c.modelo, 20), 20);
    GRAVACAMPO(c.dt_estoque, "N", 8);
    GRAVACAMPO(c.hr_estoque, "N", 6);
    end_line();
    return !db::output_file_failed();
}

bool write_r01(const RegistersContext& c) {
    auto developer = [](const char* key) {
        return LEREGISTRO("balcora", "Desenvolvedor PAF-ECF", key);
    };
    GRAVACAMPO("R01", 3);
    GRAVACAMPO(c.num_serie, 20);
    GRAVACAMPO(c.mf_adicional, 1);
    GRAVACAMPO("ECF-IF", 7);
    GRAVACAMPO(c.marca, 20);
    if (c.printer_intact && c.company_intact && c.developer_intact)
        GRAVACAMPO(c.modelo, 20);
    else
        GRAVACAMPO(marked(c.modelo, 20), 20);
    GRAVACAMPO(c.versao_sb, 10);
    GRAVACAMPO(c.data_sb, 8);
    GRAVACAMPO(c.hora_sb, 6);
    GRAVACAMPO(c.numero, 3);
    GRAVACAMPO(c.cnpj, "N", 14);
    GRAVACAMPO(c.inscr_estadual, "N", 14);
    GRAVACAMPO(developer("cnpj"), "N", 14);
    GRAVACAMPO(developer("ie"), "N", 14);
    GRAVACAMPO(developer("im"), "N", 14);
    GRAVACAMPO(developer("razao"), 40);
    GRAVACAMPO(developer("nomesoft"), 40);
    GRAVACAMPO(developer("versaosoft"), 10);
    GRAVACAMPO(glo::md5txt, 32);
    GRAVACAMPO(SONUMEROS(util::iso_date(c.start)), 8);
    GRAVACAMPO(SONUMEROS(util::iso_date(c.end)), 8);
    GRAVACAMPO(developer("er-paf-ecf"), "N", 4);
    end_line();
    return !db::output_file_failed();
}

bool write_r02(const RegistersContext& c) {
    return write_movement(c, "R02", r02_query(c),
                          {col(0, "N", 6), col(1, "N", 9), col(2, "N", 6), col(3, {}, 8),
                           col(4, {}, 8), col(5, {}, 6), col(6, "N", 14), lit("N", {}, 1)},
                          7);
}

bool write_r03(const RegistersContext& c) {
    return write_movement(c, "R03", r03_query(c), {col(0, "N", 6), col(1, {}, 7), col(2, "N", 13)},
                          3);
}

bool write_r04(const RegistersContext& c) {
    return write_movement(
        c, "R04", r04_query(c),
        {col(0, "N", 9), col(1, "N", 9), col(2, {}, 8), col(3, "N", 14), col(4, "N", 13),
         lit("V", {}, 1), col(5, "N", 13), lit("V", {}, 1), col(6, "N", 14), col(7, {}, 1),
         lit("0", "N", 13), col(8, {}, 1), col(9, {}, 40), col(10, "N", 14)},
        11);
}

bool write_r05(const RegistersContext& c) {
    static const std::vector<Field> fields = {
        col(0, "N", 9),    col(1, "N", 9),  col(2, "N", 3),  col(3, {}, 14),   col(4, {}, 100),
        col(5, "N", 7),    col(6, {}, 3),   col(7, "N", 8),  col(8, "N", 8),   col(9, "N", 8),
        col(10, "N", 14),  col(11, {}, 7),  col(12, {}, 1),  lit("0", "N", 7), lit("0", "N", 13),
        lit("0", "N", 13), lit("T", {}, 1), lit("T", {}, 1), lit("3", "N", 1), lit("3", "N", 1)};
    db::RowStream rows(r05_query(c));
    while (rows.next()) {
        // Quantity and unit price carry three decimals, as fields 24 and 25
        // declare; one too large for its field is refused, never cut.
        for (auto [column, width, what] :
             {std::tuple{5, 7u, "A quantidade"}, std::tuple{7, 8u, "O preço unitário"}}) {
            if (rows.value(column).size() > width) {
                prompt().message("Erro",
                                 std::string(what) + " do item " + std::string(rows.value(2)) +
                                     " do cupom COO " + std::string(rows.value(0)) +
                                     " não cabe no registro R05 (" + std::to_string(width) +
                                     " dígitos com 3 decimais).",
                                 ui::Icon::kError);
                return false;
            }
        }
        write_movement_prefix(c, "R05", rows.is_true(13));
        write_fields(rows, fields);
        end_line();
    }
    return !rows.failed() && !db::output_file_failed();
}

bool write_r06(const RegistersContext& c) {
    return write_movement(c, "R06", r06_query(c),
                          {col(0, "N", 9), col(1, "N", 6), col(2, "N", 6), col(3, "N", 4),
                           col(4, {}, 2), col(5, "N", 8), col(6, "N", 6)},
                          7);
}

bool write_r07(RegistersContext& c) {
    db::RowStream rows(r07_query(c));
    while (rows.next()) {
        const bool intact = rows.is_true(5);
        write_movement_prefix(c, "R07", intact);
        GRAVACAMPO(rows.value(0), "N", 9);
        GRAVACAMPO(rows.value(1), "N", 9);
        GRAVACAMPO(rows.value(2), "N", 6);
        GRAVACAMPO(payment_name(rows.value(3), false), 15);
        GRAVACAMPO(rows.value(4), "N", 13);
        GRAVACAMPO("N", 1);
        GRAVACAMPO("0", "N", 13);
        end_line();
        if (rows.is_true(7)) {
            const std::int64_t id = text_to_integer(rows.value(6));
            c.coo_backfill.push_back(id);
            if (intact) c.coo_backfill_rehash.push_back(id);
        }
    }
    return !rows.failed() && !db::output_file_failed();
}

bool write_j1(const RegistersContext& c) {
    db::RowStream rows("SELECT " + text("cnpj_emissor") + ", " + ymd("dt_emissao") + ", " +
                       cents("vl_subtotal") + ", " + cents("vl_desconto") +
                       ", CASE WHEN coalesce(vl_desconto,0)>0 THEN 'V' ELSE ' ' END, " +
                       cents("vl_total") + ", " + text("ind_canc") +
                       ", CASE WHEN coalesce(vl_desconto,0)>0 THEN 'D' ELSE ' ' END, " +
                       text("nome_adquirente") + ", " + text("cpf_cnpj_adquirente") + ", " +
                       text("numero") + ", " + text("serie") + ", " + text("chave_acesso_nfe") +
                       ", " + invoice_kind("n") + "||CASE WHEN intact THEN ' ' ELSE '?' END FROM " +
                       invoices(c) + " n ORDER BY dt_emissao, numero, id_nf");
    static const std::vector<Field> fields = {
        lit("J1", {}, 2),  col(0, "N", 14),   col(1, {}, 8),   col(2, "N", 14), col(3, "N", 13),
        col(4, {}, 1),     lit("0", "N", 13), lit(" ", {}, 1), col(5, "N", 14), col(6, {}, 1),
        lit("0", "N", 13), col(7, {}, 1),     col(8, "A", 40), col(9, "N", 14), col(10, "N", 10),
        col(11, "A", 3),   col(12, {}, 44),   col(13, {}, 2)};
    while (rows.next()) {
        write_fields(rows, fields);
        end_line();
    }
    return !rows.failed() && !db::output_file_failed();
}

bool write_j2(const RegistersContext& c) {
    db::RowStream rows(
        "SELECT " + text("n.cnpj_emissor") + ", " + ymd("n.dt_emissao") + ", " +
        text("d.num_item") + ", " + text("d.cod_produto") + ", " + text("d.descricao") + ", " +
        cents("d.quantidade") + "::text, " + text("d.unidade") + ", " + cents("d.vl_unitario") +
        ", " + cents("d.vl_desconto") + ", " + cents("d.vl_total") + ", " + text("d.totalizador") +
        ", " + text("n.numero") + ", " + text("n.serie") + ", " + text("n.chave_acesso_nfe") +
        ", " + invoice_kind("n") + "||CASE WHEN d.intact THEN ' ' ELSE '?' END FROM " +
        invoices(c) + " n JOIN " + with_intact("nfdet") +
        " d ON d.id_nf=n.id_nf ORDER BY n.dt_emissao, n.numero, n.id_nf, "
        "d.num_item, d.id_nfdet");
    static const std::vector<Field> fields = {
        lit("J2", {}, 2), col(0, "N", 14), col(1, {}, 8),   col(2, "N", 3),   col(3, "A", 14),
        col(4, {}, 100),  col(5, {}, 7),   col(6, {}, 3),   col(7, "N", 8),   col(8, "N", 8),
        lit("0", "N", 8), col(9, "N", 14), col(10, "A", 7), lit("2", "N", 1), lit("2", "N", 1),
        col(11, "N", 10), col(12, "A", 3), col(13, {}, 44), col(14, {}, 2)};
    while (rows.next()) {
        write_fields(rows, fields);
        end_line();
    }
    return !rows.failed() && !db::output_file_failed();
}

std::vector<std::string> movement_queries(const RegistersContext& c) {
    return {r02_query(c), r03_query(c), r04_query(c), r05_query(c), r06_query(c), r07_query(c)};
}

}  // namespace balcora::fiscal
