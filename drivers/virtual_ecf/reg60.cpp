// The reductions of the fiscal memory as the program's reg60m/reg60a rows.
//
// reg60a holds one row per tax totaliser that ended the day with a value
// (st_aliq and totalizador both carry the totaliser's name, "01T1800", "F1",
// "I1", "N1", ...), and always the ICMS cancellations, discounts and
// surcharges ("CANC"/"Can-T", "DESC"/"DT", "AT"/"AT"); the ISSQN ones
// ("CanS"/"Can-S", "DS"/"DS", "AS"/"AS") when the day had ISSQN items.
#include "command.h"
#include "database.h"
#include "db/literals.h"
#include "db/record_hash.h"
#include "globals/globals.h"
#include "text.h"
#include "util/fixed_point_text.h"

namespace balcora::vecf {

namespace {

struct PrinterRow {
    std::string id_maqecf, id_empresa;
};

PrinterRow printer_row(Command& c) {
    db::PgResult r = c.db.run(
        "SELECT id_maqecf, coalesce(id_empresa,0) FROM balcora.maqecf "
        "WHERE num_serie=" +
            TXTSQL(c.m.serial) + ";",
        "ler o cadastro da impressora");
    if (r.rows() == 0)
        refuse("Impressora fiscal de número de série " + c.m.serial +
               " não cadastrada no banco de dados (maqecf).");
    std::string company =
        glo::id_empresa ? std::to_string(glo::id_empresa) : std::string(r.value(0, 1));
    return {std::string(r.value(0, 0)), company};
}

std::string amount(Money v) {
    return util::to_plain(v);
}

std::string totaliser_rows(const std::string& id, const ZRecord& z) {
    std::vector<std::tuple<std::string, std::string, Money>> rows;
    for (const auto& [name, value] : z.tax)
        if (!value.is_zero()) rows.emplace_back(name, name, value);
    rows.emplace_back("CANC", "Can-T", z.canc);
    rows.emplace_back("DESC", "DT", z.desc);
    rows.emplace_back("AT", "AT", z.surch);
    if (!(z.canc_iss.is_zero() && z.desc_iss.is_zero() && z.surch_iss.is_zero())) {
        rows.emplace_back("CanS", "Can-S", z.canc_iss);
        rows.emplace_back("DS", "DS", z.desc_iss);
        rows.emplace_back("AS", "AS", z.surch_iss);
    }
    std::string sql =
        "INSERT INTO balcora.reg60a (id_reg60m, st_aliq, vl_acumulado, totalizador) VALUES ";
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto& [st, name, value] = rows[i];
        sql += (i ? "," : "") + std::string("(") + id + "," + TXTSQL(st) + "," + amount(value) +
               "," + TXTSQL(name) + ")";
    }
    return sql + ";";
}

// The database seals a reduction row only when it is inserted; the values
// written over the day's row afterwards are sealed here, in the same
// transaction, with the expression the program checks.
void seal_reduction(Command& c, const std::string& id) {
    if (db::hash_expression("reg60m").empty()) DEFINEHASH();
    c.db.run("UPDATE balcora.reg60m SET hash=" + db::hash_expression("reg60m") +
                 " WHERE id_reg60m=" + id + ";",
             "gravar o registro 60M");
}

// Writes one reduction; false when the day's row was already sent to the tax
// authority and is kept as it is.
bool write_reduction(Command& c, const PrinterRow& p, const ZRecord& z) {
    db::PgResult found =
        c.db.run("SELECT id_reg60m, coalesce(sit_blocox,'P') FROM balcora.reg60m WHERE id_maqecf=" +
                     p.id_maqecf + " AND data=" + DTSQL(z.movement) + " FOR UPDATE;",
                 "ler o registro 60M");
    const std::string values =
        "id_empresa=" + p.id_empresa + ", num_coo_inicial=" + std::to_string(z.first_coo) +
        ", num_coo_final=" + std::to_string(z.last_coo) +
        ", num_cont_red_z=" + std::to_string(z.crz) +
        ", num_cont_reinicio=" + std::to_string(z.cro) + ", vl_venda_bruta=" + amount(z.gross) +
        ", vl_tot_geral=" + amount(z.gt) + ", vl_icms_debitado=" + amount(z.icms) +
        ", vl_iss_debitado=" + amount(z.iss) + ", dt_emissao=" + DTSQL(z.emitted.day) +
        ", hr_emissao='" + hms(z.emitted.seconds) + "', num_coo=" + std::to_string(z.coo) +
        ", sit_blocox='P'";
    std::string id;
    if (found.rows() > 0) {
        if (found.value(0, 1) != "P") return false;
        id = std::string(found.value(0, 0));
        c.db.run("UPDATE balcora.reg60m SET " + values + " WHERE id_reg60m=" + id + ";",
                 "gravar o registro 60M");
        seal_reduction(c, id);
        c.db.run("DELETE FROM balcora.reg60a WHERE id_reg60m=" + id + ";", "gravar o registro 60A");
    } else {
        id = c.db.value("INSERT INTO balcora.reg60m (id_maqecf, data) VALUES (" + p.id_maqecf +
                            "," + DTSQL(z.movement) + ") RETURNING id_reg60m;",
                        "gravar o registro 60M");
        c.db.run("UPDATE balcora.reg60m SET " + values + " WHERE id_reg60m=" + id + ";",
                 "gravar o registro 60M");
        seal_reduction(c, id);
    }
    c.db.run(totaliser_rows(id, z), "gravar o registro 60A");
    return true;
}

std::vector<ZRecord> reductions(Command& c) {
    std::vector<ZRecord> out;
    try {
        for (const FiscalRecord& r : read_fiscal_memory(c.store.fiscal_memory(c.m)))
            if (r.kind == FiscalRecord::Kind::reduction) out.push_back(r.z);
    } catch (const Damaged& d) {
        refuse(std::string("Memória fiscal danificada (") + d.what() +
               "). Chame a assistência técnica.");
    }
    return out;
}

}  // namespace

void record_reg60m(Command& c) {
    std::vector<ZRecord> all = reductions(c);
    if (all.empty()) refuse("Não há Redução Z na memória fiscal.");
    const ZRecord& z = all.back();
    PrinterRow p = printer_row(c);
    DbTransaction tx(c.db);
    if (!write_reduction(c, p, z))
        refuse_warning("O registro 60M do dia " + util::br_date(z.movement) +
                       " já foi transmitido ao Fisco e não foi regravado.");
    tx.commit();
}

void recover_reg60m(Command& c) {
    std::string_view p = c.params.at(1);
    DayNumber first = p.size() == 20 ? parse_date(p.substr(0, 10)) : 0;
    DayNumber last = p.size() == 20 ? parse_date(p.substr(10, 10)) : 0;
    if (!first || !last || last < first)
        refuse("Período inválido para recuperar o registro 60M (\"" + cp1252_to_utf8(p) + "\").");
    PrinterRow printer = printer_row(c);
    DbTransaction tx(c.db);
    int written = 0, kept = 0;
    for (const ZRecord& z : reductions(c)) {
        if (z.movement < first || z.movement > last) continue;
        (write_reduction(c, printer, z) ? written : kept) += 1;
    }
    if (written + kept == 0)
        refuse_warning("Não há Reduções Z na memória fiscal entre " + util::br_date(first) + " e " +
                       util::br_date(last) + ".");
    tx.commit();
    std::string text = "Registros 60M e 60A recuperados: " + std::to_string(written) + " dia(s).";
    if (kept)
        text += "|" + std::to_string(kept) +
                " dia(s) já transmitido(s) ao Fisco mantido(s) sem alteração.";
    c.notice("Aviso", text);
}

}  // namespace balcora::vecf
