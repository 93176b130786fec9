#include "tape.h"

#include "command.h"
#include "text.h"

namespace balcora::vecf {

namespace {

constexpr std::string_view kModel = "BALCORA ECF VIRTUAL 01.00.00";

void add(std::vector<std::string>& out, std::string_view left, Money value, int indent = 0) {
    out.push_back(spread(std::string(indent, ' ') + std::string(left), money(value)));
}

void counters(std::vector<std::string>& out, const Memory& m) {
    out.push_back("CONTADORES");
    out.push_back(spread("  COO: " + zero_filled(m.coo, 6), "CCF: " + zero_filled(m.ccf, 6)));
    out.push_back(spread("  CRO: " + zero_filled(m.cro, 3), "CRZ: " + zero_filled(m.crz, 4)));
    out.push_back(spread("  GNF: " + zero_filled(m.gnf, 6), "GRG: " + zero_filled(m.grg, 6)));
    out.push_back(spread("  CDC: " + zero_filled(m.cdc, 4), "CFC: " + zero_filled(m.cfc, 4)));
    out.push_back(spread("  NCN: " + zero_filled(m.ncn, 4),
                         "CDC estornados: " + zero_filled(m.cdc_reversed, 4)));
}

}  // namespace

std::string rule(char c) {
    return std::string(kColumns, c);
}

std::vector<std::string> document_header(const Memory& m, const Moment& at, int coo, int ccf,
                                         std::string_view title) {
    const Header& h = m.header;
    std::vector<std::string> out;
    out.push_back(rule('='));
    if (h.razao.empty() && h.cnpj.empty()) {
        out.push_back(center("USUÁRIO NÃO PROGRAMADO"));
    } else {
        out.push_back(center(h.razao));
        if (!h.fantasia.empty() && h.fantasia != h.razao) out.push_back(center(h.fantasia));
        if (!h.endereco.empty()) out.push_back(center(h.endereco));
        if (!h.cidade.empty()) out.push_back(center(h.cidade));
    }
    out.push_back("CNPJ: " + h.cnpj);
    out.push_back(spread("IE: " + h.ie, h.im.empty() ? "" : "IM: " + h.im));
    out.push_back(rule());
    std::string ids =
        (ccf ? "CCF:" + zero_filled(ccf, 6) + " " : "") + "COO:" + zero_filled(coo, 6);
    out.push_back(spread(br_moment(at), ids));
    out.push_back(center(title));
    return out;
}

std::vector<std::string> document_footer(const Memory& m, const Moment& at) {
    return {rule(),
            spread(kModel, "ECF:" + zero_filled(m.header.ecf_number, 3) +
                               " LJ:" + zero_filled(m.header.store, 4)),
            spread(br_moment(at), "FAB:" + m.serial),
            spread(m.summer ? "HORÁRIO DE VERÃO" : "", "BR"),
            rule('='),
            ""};
}

std::vector<std::string> day_reading(const Memory& m, const Day& day, bool reduction, int crz) {
    std::vector<std::string> out;
    out.push_back(rule());
    out.push_back("MOVIMENTO DO DIA: " +
                  (day.open ? util::br_date(day.movement) : std::string("SEM MOVIMENTO")));
    if (reduction) out.push_back("CONTADOR DE REDUÇÕES Z (CRZ): " + zero_filled(crz, 4));
    counters(out, m);
    out.push_back(rule());
    Money gross = m.gt - day.gt_start;
    Money net = gross - day.canc - day.desc - day.canc_iss - day.desc_iss;
    out.push_back("TOTALIZADORES GERAIS");
    add(out, "GT INICIAL", day.gt_start, 2);
    add(out, "GT FINAL", m.gt, 2);
    add(out, "VENDA BRUTA DIÁRIA", gross, 2);
    add(out, "CANCELAMENTOS ICMS (Can-T)", day.canc, 2);
    add(out, "DESCONTOS ICMS (DT)", day.desc, 2);
    add(out, "ACRÉSCIMOS ICMS (AT)", day.surch, 2);
    if (!(day.canc_iss.is_zero() && day.desc_iss.is_zero() && day.surch_iss.is_zero())) {
        add(out, "CANCELAMENTOS ISSQN (Can-S)", day.canc_iss, 2);
        add(out, "DESCONTOS ISSQN (DS)", day.desc_iss, 2);
        add(out, "ACRÉSCIMOS ISSQN (AS)", day.surch_iss, 2);
    }
    add(out, "VENDA LÍQUIDA", net, 2);
    out.push_back(rule());
    out.push_back("TOTALIZADORES PARCIAIS");
    if (day.tax.empty()) out.push_back("  NENHUM");
    for (const auto& [name, value] : day.tax)
        add(out, name + (iss_totaliser(name) ? " (ISSQN)" : ""), value, 2);
    out.push_back(rule());
    out.push_back("MEIOS DE PAGAMENTO");
    if (day.payments.empty()) out.push_back("  NENHUM");
    for (const auto& [name, value] : day.payments) add(out, name, value, 2);
    add(out, "TROCO", day.change, 2);
    out.push_back(rule());
    out.push_back("NÃO FISCAIS");
    add(out, "SUPRIMENTO", day.supplies, 2);
    add(out, "SANGRIA", day.withdrawals, 2);
    out.push_back(spread("  CUPONS EMITIDOS", std::to_string(day.coupons)));
    out.push_back(spread("  CUPONS CANCELADOS", std::to_string(day.cancelled_coupons)));
    out.push_back(spread("  MODO TEF", m.tef ? "ATIVO" : "INATIVO"));
    return out;
}

bool in_range(const ZRecord& z, const MemoryRange& r) {
    return r.by_date ? z.movement >= r.first_day && z.movement <= r.last_day
                     : z.crz >= r.first_crz && z.crz <= r.last_crz;
}

std::vector<std::string> memory_reading_body(const Memory& m,
                                             const std::vector<FiscalRecord>& records,
                                             const MemoryRange& range) {
    std::vector<std::string> out;
    out.push_back(center(range.complete ? "COMPLETA" : "SIMPLIFICADA"));
    out.push_back(
        range.by_date
            ? "PERÍODO: " + util::br_date(range.first_day) + " A " + util::br_date(range.last_day)
            : "CRZ: " + zero_filled(range.first_crz, 4) + " A " + zero_filled(range.last_crz, 4));
    out.push_back(spread("FAB: " + m.serial, "CRO: " + zero_filled(m.cro, 3)));
    out.push_back(rule());
    Money gross, canc, desc, surch;
    std::map<std::string, Money> tax;
    int count = 0, first = 0, last = 0;
    for (const FiscalRecord& r : records) {
        if (r.kind == FiscalRecord::Kind::summer) {
            bool inside = range.by_date ? r.summer.at.day >= range.first_day &&
                                              r.summer.at.day <= range.last_day
                                        : count > 0;
            if (inside && range.complete)
                out.push_back(std::string("HORÁRIO DE VERÃO: ") +
                              (r.summer.on ? "ENTRADA " : "SAÍDA ") + br_moment(r.summer.at));
            continue;
        }
        const ZRecord& z = r.z;
        if (!in_range(z, range)) continue;
        ++count;
        if (!first) first = z.crz;
        last = z.crz;
        gross += z.gross, canc += z.canc + z.canc_iss, desc += z.desc + z.desc_iss;
        surch += z.surch + z.surch_iss;
        for (const auto& [name, value] : z.tax) tax[name] += value;
        if (!range.complete) continue;
        out.push_back(spread("CRZ: " + zero_filled(z.crz, 4) + "  COO: " + zero_filled(z.coo, 6),
                             "CRO: " + zero_filled(z.cro, 3)));
        out.push_back(
            spread("MOVIMENTO: " + util::br_date(z.movement), "EMISSÃO: " + br_moment(z.emitted)));
        add(out, "VENDA BRUTA", z.gross, 2);
        add(out, "GT", z.gt, 2);
        for (const auto& [name, value] : z.tax) add(out, name, value, 4);
        add(out, "Can-T", z.canc, 4);
        add(out, "DT", z.desc, 4);
        add(out, "AT", z.surch, 4);
        if (!(z.canc_iss.is_zero() && z.desc_iss.is_zero() && z.surch_iss.is_zero())) {
            add(out, "Can-S", z.canc_iss, 4);
            add(out, "DS", z.desc_iss, 4);
            add(out, "AS", z.surch_iss, 4);
        }
        add(out, "ICMS DEBITADO", z.icms, 4);
        add(out, "ISSQN DEBITADO", z.iss, 4);
        out.push_back(rule());
    }
    out.push_back("TOTAL DO PERÍODO");
    out.push_back(
        spread("  REDUÇÕES", std::to_string(count) + (count ? " (CRZ " + zero_filled(first, 4) +
                                                                  " A " + zero_filled(last, 4) + ")"
                                                            : std::string())));
    add(out, "VENDA BRUTA", gross, 2);
    for (const auto& [name, value] : tax) add(out, name, value, 2);
    add(out, "CANCELAMENTOS", canc, 2);
    add(out, "DESCONTOS", desc, 2);
    add(out, "ACRÉSCIMOS", surch, 2);
    return out;
}

std::vector<std::string> item_lines(const Item& i) {
    std::vector<std::string> out;
    std::string head = zero_filled(i.number, 3) + " " + i.code + " ";
    std::string desc = i.description;
    std::size_t room = kColumns - columns(head);
    out.push_back(trim_right(head + cut(desc, room)));
    if (columns(desc) > room) {
        std::string rest = desc.substr(cut(desc, room).size());
        for (const auto& l : chop(rest, kColumns - 4)) out.push_back("    " + l);
    }
    std::string left = "    " + quantity(i.quantity) + " " + i.unit + " X " + unit_price(i.price);
    out.push_back(pad_right(left, 28) + pad_right(i.totaliser, 9) + pad_left(money(i.total), 11));
    if (!i.discount.is_zero()) out.push_back(spread("    desconto sobre item", money(-i.discount)));
    if (!i.surcharge.is_zero())
        out.push_back(spread("    acréscimo sobre item", "+" + money(i.surcharge)));
    return out;
}

}  // namespace balcora::vecf
