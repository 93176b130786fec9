#include "backoffice/pre_sale_checks.h"

#include "db/settings.h"
#include "ecf/printer_layouts.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>

namespace balcora::backoffice {

namespace {

using util::Money;

void notice(std::string_view text) {
    prompt().beep();
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

bool check_tax_situation(const sale::Product& p) {
    if (!p.ecf_cod_st.empty() && !p.ecf_st.empty() &&
        sale::totaliser_code(p.ecf_st, p.ecf_cod_st, p.ecf_aliquota))
        return true;
    notice("Situação tributária do produto é inválida!|Produto:  " +
           util::zero_filled(p.id_produto, 6) + " " + util::trim(p.descricao) +
           "|Código ST: " + p.ecf_cod_st + "|ECF ST: " + p.ecf_st);
    return false;
}

std::optional<ReadyItem> ready_item(const PreSaleHeader& h, const PreSaleItem& line, Money limit) {
    if (line.vl_desconto.units() > 0 && h.vl_desc.is_zero()) {
        notice("Favor revisar os desconto da Pré-venda no Pedido(" + std::to_string(h.numero) +
               ")!");
        return std::nullopt;
    }
    const auto product = sale::product_by_id(line.produ);
    if (!product) {
        notice("Produto inválido!|Id: " + std::to_string(line.produ));
        return std::nullopt;
    }
    if (discount_above(line.descv, line.pruni, line.qtd, limit)) {
        notice("Produto(" + std::to_string(line.produ) + ") com desconto superior " +
               util::to_br(limit) + " % inválido!");
        return std::nullopt;
    }
    if (!check_tax_situation(*product)) return std::nullopt;
    const std::string item = "Produto(" + std::to_string(line.produ) + ")";
    if (line.qtd.units() < 1 || line.qtd > sale::kMaxQuantity || line.pruni.units() < 1 ||
        line.descv.units() < 0) {
        notice("Quantidade ou preço inválido na Pré-Venda!|" + item);
        return std::nullopt;
    }
    auto amounts = sale::item_amounts(line.qtd, line.pruni, line.descv, *product);
    // The back office's item total is net of its discount: the two together
    // must be what the quantity at the price comes to, or the coupon would
    // charge something else than the pre-sale says.
    if (!amounts || amounts->total != line.descv + line.total) {
        notice("Valores do item não conferem na Pré-Venda!|" + item +
               " Qtd: " + util::to_br(line.qtd) + " x " + util::to_br(line.pruni) +
               " <> Total: " + util::to_br(line.descv + line.total));
        return std::nullopt;
    }
    ReadyItem r;
    r.product = *product;
    r.amounts = *amounts;
    r.preco = line.pruni;
    r.qtdade = line.qtd;
    r.comissao = line.comis;
    r.totaliser =
        *sale::totaliser_code(product->ecf_st, product->ecf_cod_st, product->ecf_aliquota);
    r.discount = line.descv;
    if (!ecf::item_record(item_record_fields(r, r.product.printed_code()))) {
        notice("Produto inválido!|Id: " + std::to_string(line.produ));
        return std::nullopt;
    }
    return r;
}

}  // namespace

ecf::ItemRecordFields item_record_fields(const ReadyItem& item, std::string_view code) {
    const sale::Product& p = item.product;
    ecf::ItemRecordFields f;
    f.code = code;
    f.cest = p.cest;
    f.ncm = p.cod_ncm;
    f.description = p.descricao;
    f.unit_price = item.preco;
    f.quantity = item.qtdade;
    f.total = item.amounts.total;
    f.tax_code = p.ecf_cod_st;
    f.unit = p.unidade;
    f.discount = item.discount;
    f.tax_rate = p.ecf_aliquota;
    return f;
}

std::optional<PreparedPreSale> prepare_pre_sale(const PreSaleHeader& h) {
    const auto lines = load_pre_sale_items(h.id_pedido);
    if (!lines) return std::nullopt;
    if (lines->empty()) {
        notice("Pré-venda sem itens de produto!");
        return std::nullopt;
    }
    PreparedPreSale p;
    const Money limit = discount_limit(LEREGISTRO("balcora", "PAF-ECF", "PercDesc", "50"));
    for (const PreSaleItem& line : *lines) {
        auto item = ready_item(h, line, limit);
        if (!item) return std::nullopt;
        p.subtotal = p.subtotal + item->amounts.total - item->amounts.vl_desconto;
        p.items.push_back(std::move(*item));
    }
    const std::string pv = std::to_string(h.num_pv);
    if (h.vl_desc.units() < 0 || h.vl_acresc.units() < 0 || h.vl_desc > p.subtotal) {
        notice("Desconto ou acréscimo inválido na Pré-Venda " + pv + "!");
        return std::nullopt;
    }
    // The order's total is its items' net, its discount being theirs, or
    // that net with its own surcharge or discount; the coupon comes to the
    // same, so the discount is never given twice.
    const Money adjusted = p.subtotal + h.vl_acresc - h.vl_desc;
    if (h.total == p.subtotal) {
        p.total = p.subtotal;
    } else if (h.total == adjusted) {
        p.total = adjusted;
        p.surcharge = h.vl_acresc;
        p.discount = h.vl_desc;
    } else {
        notice("Total da Pré-Venda " + pv + " (" + util::to_br(h.total) +
               ") não confere com a soma dos itens (" + util::to_br(adjusted) + ")!");
        return std::nullopt;
    }

    auto receipts = load_pre_sale_receipts(h.id_pedido);
    if (!receipts) return std::nullopt;
    auto titles = load_pre_sale_titles(h.id_pedido, glo::id_empresa);
    if (!titles) return std::nullopt;
    Money paid;
    for (const PreSaleReceipt& r : *receipts) {
        if (r.valor.units() <= 0) {
            notice("Recebimento sem valor na Pré-Venda " + pv + "!");
            return std::nullopt;
        }
        paid = paid + r.valor;
    }
    for (const PreSaleTitle& t : *titles) {
        if (t.id_ctr2 == 0) {
            notice("Numero e Prefixo do Contas a Receber da empresa(" +
                   std::to_string(glo::id_empresa) + ") esta diferente da empresa(" +
                   std::to_string(glo::id_empresa + 9000) + ")!");
            return std::nullopt;
        }
        if (t.valor.units() <= 0 || t.vecto == 0) {
            notice("Título sem valor ou vencimento na Pré-Venda " + pv + "!");
            return std::nullopt;
        }
        paid = paid + t.valor;
    }
    p.receipts = std::move(*receipts);
    p.titles = std::move(*titles);
    const Money remainder = p.total - paid;
    if (remainder.units() < 0) {
        notice("Recebimentos e títulos da Pré-Venda " + pv + " (" + util::to_br(paid) +
               ") ultrapassam o total (" + util::to_br(p.total) + ")!");
        return std::nullopt;
    }
    const auto form = load_payment_form(h.cod_formapag, h.id_matriz, remainder.units() > 0);
    if (!form) return std::nullopt;
    p.form_descr = form->descr;
    if (remainder.units() > 0) {
        auto parts = split_over_terms(remainder, form->terms, form->arred);
        if (!parts) {
            notice("Forma de pagamento " + std::to_string(h.cod_formapag) +
                   " sem prazos válidos para o saldo de " + util::to_br(remainder) +
                   " da Pré-Venda " + pv + "!");
            return std::nullopt;
        }
        p.terms = std::move(*parts);
        p.term_rows = form->terms;
    }
    return p;
}

}  // namespace balcora::backoffice
