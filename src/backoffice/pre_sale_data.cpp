#include "backoffice/pre_sale_data.h"

#include "backoffice/backoffice_link.h"
#include "db/literals.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::backoffice {

namespace {

std::int32_t integer(std::string_view text) {
    const auto n = util::read_integer(text);
    if (!n.valid || n.value > INT32_MAX || n.value < INT32_MIN) return 0;
    return static_cast<std::int32_t>(n.value);
}

template <int P>
util::Fixed<P> number(std::string_view text) {
    return util::read_number<P>(text).value;
}

// The back office's dates come as "yyyy-mm-dd"; anything else is no date.
util::DayNumber date(std::string_view text) {
    return util::parse_iso_date(util::trim(text).substr(0, 10));
}

std::string id(std::int32_t n) {
    return std::to_string(n);
}

}  // namespace

std::string pre_sale_list_select(std::int32_t company) {
    return "SELECT a.id_pedido, a.num_pv, a.numero, a.data, a.clien, b.razao, a.total, "
           "a.cod_vendedor, a.cod_formapag, a.descv, a.acrev,c.id_matriz, d.ind_formapag, "
           "e.id_pedido   FROM kontora.pedidos A  LEFT OUTER JOIN kontora.clientes B ON "
           "(a.clien=b.id_cliente)  LEFT OUTER JOIN gestao.empresa   C ON "
           "(a.id_empresa=c.id_empresa)  LEFT OUTER JOIN gestao.formapag  D ON "
           "(d.id_empresa=c.id_matriz  AND d.codigo=a.cod_formapag)  LEFT OUTER JOIN "
           "kontora.pedidos  E ON (e.id_empresa=(a.id_empresa+9000) AND a.num_pv=e.num_pv) WHERE "
           "a.id_empresa=" +
           id(company) + " AND a.situa=2 AND a.mod_docfiscal_vinc='2D'   ORDER BY a.num_pv;";
}

std::optional<std::vector<PreSaleHeader>> load_pre_sale_list(std::int32_t company) {
    db::SqlRecord r;
    if (!read_linked(
            pre_sale_list_select(company), "pedido",
            {"id_pedido", "num_pv", "numero", "data", "clien", "razao", "total", "vende",
             "cod_formapag", "vl_desc", "vl_acresc", "id_matriz", "ind_formapag", "id_pedido_ger"},
            r))
        return std::nullopt;
    std::vector<PreSaleHeader> out;
    for (bool more = r.has_row(); more; more = r.next()) {
        PreSaleHeader h;
        h.id_pedido = integer(r.C(1));
        h.num_pv = util::read_integer(r.C(2)).value;
        if (h.num_pv == 0 || h.id_pedido == 0) continue;
        h.numero = integer(r.C(3));
        h.data = date(r.C(4));
        h.clien = integer(r.C(5));
        h.razao = util::cut_characters(util::trim(r.C(6)), 80);
        h.total = number<2>(r.C(7));
        h.vende = integer(r.C(8));
        h.cod_formapag = integer(r.C(9));
        h.vl_desc = number<2>(r.C(10));
        h.vl_acresc = number<2>(r.C(11));
        h.id_matriz = integer(r.C(12));
        h.ind_formapag = integer(r.C(13));
        h.id_pedido_ger = integer(r.C(14));
        out.push_back(std::move(h));
    }
    return out;
}

std::optional<std::vector<PreSaleItem>> load_pre_sale_items(std::int32_t id_pedido) {
    db::SqlRecord r;
    if (!read_linked("SELECT produ, qtd, pruni, descv, total, comis, vl_desconto FROM "
                     "kontora.peditens   WHERE id_pedido=" +
                         id(id_pedido) + "  ORDER BY ordem;",
                     "pedido", {"produ", "qtd", "pruni", "descv", "total", "comis", "vl_desconto"},
                     r))
        return std::nullopt;
    std::vector<PreSaleItem> out;
    for (bool more = r.has_row(); more; more = r.next()) {
        PreSaleItem i;
        i.produ = integer(r.C(1));
        i.qtd = number<3>(r.C(2));
        i.pruni = number<3>(r.C(3));
        i.descv = number<2>(r.C(4));
        i.total = number<2>(r.C(5));
        i.comis = number<2>(r.C(6));
        i.vl_desconto = number<2>(r.C(7));
        out.push_back(i);
    }
    return out;
}

std::optional<std::vector<PreSaleReceipt>> load_pre_sale_receipts(std::int32_t id_pedido) {
    db::SqlRecord r;
    if (!read_linked("SELECT forma,valor,docto,bom FROM kontora.recbtos   WHERE id_pedido=" +
                         id(id_pedido) + "  ORDER BY  id_recbto",
                     "rec", {"forma", "valor", "docto", "bom"}, r))
        return std::nullopt;
    std::vector<PreSaleReceipt> out;
    for (bool more = r.has_row(); more; more = r.next()) {
        PreSaleReceipt p;
        p.forma = integer(r.C(1));
        p.valor = number<2>(r.C(2));
        // A cheque number typed with other characters keeps its digits.
        p.docto = integer(util::cut_characters(SONUMEROS(r.C(3)), 9));
        p.bom = date(r.C(4));
        out.push_back(p);
    }
    return out;
}

std::optional<std::vector<PreSaleTitle>> load_pre_sale_titles(std::int32_t id_pedido,
                                                              std::int32_t company) {
    db::SqlRecord r;
    if (!read_linked("SELECT id_ctr,vecto,valor,  (    SELECT a.id_ctr FROM kontora.ctr as a "
                     "WHERE a.id_empresa=" +
                         id(company + 9000) +
                         " and a.prefixo=kontora.ctr.prefixo and a.numero=kontora.ctr.numero  ) "
                         "FROM kontora.ctr WHERE id_pedido=" +
                         id(id_pedido) + " ORDER BY vecto;",
                     "ctr", {"id_ctr", "vecto", "valor", "id_ctr2"}, r))
        return std::nullopt;
    std::vector<PreSaleTitle> out;
    for (bool more = r.has_row(); more; more = r.next()) {
        PreSaleTitle t;
        t.id_ctr = integer(r.C(1));
        t.vecto = date(r.C(2));
        t.valor = number<2>(r.C(3));
        t.id_ctr2 = integer(r.C(4));
        out.push_back(t);
    }
    return out;
}

namespace {

std::string form_select(std::int32_t codigo, std::int32_t head_office, bool with_terms,
                        bool to_ascii) {
    const std::string descr = to_ascii ? "TO_ASCII(a.descr)" : "a.descr";
    if (!with_terms)
        return "SELECT a.codigo," + descr +
               " FROM gestao.formapag A   WHERE a.codigo=" + id(codigo) +
               " and id_empresa= " + id(head_office);
    return "SELECT a.codigo," + descr +
           ",a.numparc,a.arred,b.numparc,b.prazo,b.porpag FROM gestao.formapag A   LEFT OUTER "
           "JOIN gestao.prazopag B ON (a.id_formapag=b.id_formapag)   WHERE a.codigo=" +
           id(codigo) + " and id_empresa=" + id(head_office) + "   ORDER BY b.numparc;";
}

bool read_form(std::int32_t codigo, std::int32_t head_office, bool with_terms, bool to_ascii,
               db::SqlRecord& r) {
    const std::vector<std::string> columns =
        with_terms ? std::vector<std::string>{"codigo",  "descr", "tot_parc", "arred",
                                              "numparc", "prazo", "porpag"}
                   : std::vector<std::string>{"codigo", "descr"};
    const std::string select = form_select(codigo, head_office, with_terms, to_ascii);
    if (!to_ascii) return read_linked(select, "pedido", columns, r);
    // Quiet: a refusal here is answered by the statement without TO_ASCII.
    db::SqlFailure refused;
    return db::read_rows(linked_select(select, "pedido", columns), r, db::keep_failure_in(refused));
}

}  // namespace

std::optional<PreSaleForm> load_payment_form(std::int32_t codigo, std::int32_t head_office,
                                             bool with_terms) {
    db::SqlRecord r;
    // A server on UTF-8 refuses TO_ASCII: the form is read again as it is
    // stored, and its accents are taken off here.
    if (!read_form(codigo, head_office, with_terms, true, r) &&
        !read_form(codigo, head_office, with_terms, false, r))
        return std::nullopt;
    PreSaleForm f;
    if (!r.has_row()) return f;
    f.descr = RETIRAACENTOS(util::trim(r.C(2)));
    if (!with_terms) return f;
    f.arred = number<2>(r.C(4));
    for (bool more = true; more; more = r.next()) {
        if (r.is_null(5)) continue;  // a form without terms
        PaymentTerm t;
        t.numparc = integer(r.C(5));
        t.prazo = integer(r.C(6));
        t.porpag = number<2>(r.C(7));
        f.terms.push_back(t);
    }
    return f;
}

std::optional<OrderNow> load_order(std::int32_t id_pedido) {
    db::SqlRecord r;
    if (!read_linked("SELECT numero, data, situa, serie_docfiscal_vinc, num_docfiscal_vinc FROM "
                     "kontora.pedidos WHERE id_pedido=" +
                         id(id_pedido) + ";",
                     "pedido", {"numero", "data", "situa", "serie", "coo"}, r))
        return std::nullopt;
    OrderNow o;
    if (!r.has_row()) return o;
    o.found = true;
    o.numero = integer(r.C(1));
    o.data = date(r.C(2));
    o.situa = integer(r.C(3));
    o.serie_docfiscal_vinc = integer(r.C(4));
    o.num_docfiscal_vinc = integer(r.C(5));
    return o;
}

}  // namespace balcora::backoffice
