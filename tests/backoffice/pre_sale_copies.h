#pragma once

#include <string>

namespace balcora::test {

// The demonstration's third pre-sale (two discounted items paid in cash, no
// titles) copied as a new waiting order: the many orders a shop's checkouts
// race for, each one a coupon every checkout of the demo shop can issue.
inline std::string copy_of_demo_pre_sale(int id_pedido, int num_pv) {
    const std::string id = std::to_string(id_pedido);
    return "INSERT INTO kontora.pedidos (id_pedido, id_empresa, num_pv, numero, data, clien, "
           "total, cod_vendedor, cod_formapag, descv, acrev, situa, mod_docfiscal_vinc, "
           "numero_dia) SELECT " +
           id + ", id_empresa, " + std::to_string(num_pv) + ", " + std::to_string(10000 + num_pv) +
           ", data, clien, total, cod_vendedor, cod_formapag, descv, acrev, 2, '2D', NULL FROM "
           "kontora.pedidos WHERE id_pedido=3; INSERT INTO kontora.peditens (id_pedido, ordem, "
           "produ, qtd, pruni, descv, total, comis, vl_desconto, status) SELECT " +
           id +
           ", ordem, produ, qtd, pruni, descv, total, comis, vl_desconto, 0 FROM "
           "kontora.peditens WHERE id_pedido=3; INSERT INTO kontora.recbtos (id_pedido, forma, "
           "valor, docto, bom) SELECT " +
           id + ", forma, valor, docto, bom FROM kontora.recbtos WHERE id_pedido=3;";
}

}  // namespace balcora::test
