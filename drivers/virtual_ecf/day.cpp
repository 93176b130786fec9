// The fiscal day: opening with supply and X reading, the Z reduction, summer
// time, the programming of tax rates and payment methods, and the day state
// the printer keeps in its maqecf row.
#include "command.h"
#include "database.h"
#include "db/literals.h"
#include "globals/globals.h"
#include "tape.h"
#include "text.h"
#include "util/text.h"

namespace balcora::vecf {

namespace {

std::string serial_sql(const Command& c) {
    return TXTSQL(c.m.serial);
}

// Runs an update of the printer's own row; a printer unknown to the database
// is refused, since the program could not follow its day.
void update_printer_row(Command& c, const std::string& assignments, std::string_view what) {
    db::PgResult r = c.db.run(
        "UPDATE balcora.maqecf SET " + assignments + " WHERE num_serie=" + serial_sql(c) + ";",
        what);
    if (std::string_view(PQcmdTuples(r.get())) == "0")
        refuse("Impressora fiscal de número de série " + c.m.serial +
               " não cadastrada no banco de dados (maqecf).");
}

Money icms_of(const std::string& name, Money value) {
    auto rate = digits_value(name.substr(3, 4));
    if (!rate) return {};
    return util::truncate_to<2>(util::percent_of(value, Money::from_units(*rate)))
        .value_or(Money{});
}

}  // namespace

bool load_header(Command& c) {
    const std::string company = std::to_string(glo::id_empresa);
    db::PgResult r = c.db.run(
        "SELECT coalesce(e.razao_social,''), coalesce(e.nome,''), coalesce(e.endereco,''), "
        "coalesce(e.numero::text,''), coalesce(e.bairro,''), coalesce(u.nome,''), "
        "coalesce(u.estado,''), coalesce(e.cnpj,''), coalesce(e.inscr_estadual,''), "
        "coalesce(e.inscr_municipal,''), coalesce(q.numero,0) FROM balcora.maqecf q "
        "LEFT JOIN balcora.empresa e ON e.id_empresa=coalesce(nullif(" +
            company +
            ",0),q.id_empresa) LEFT JOIN balcora.municipio u ON u.id_municipio=e.id_municipio "
            "WHERE q.num_serie=" +
            serial_sql(c) + ";",
        "ler os dados do estabelecimento");
    if (r.rows() == 0) return false;
    auto v = [&](int col) { return trim(r.value(0, col)); };
    Header h;
    h.razao = v(0), h.fantasia = v(1);
    h.endereco = v(2) + (v(3).empty() ? "" : ", " + v(3)) + (v(4).empty() ? "" : " - " + v(4));
    h.cidade = v(5) + (v(6).empty() ? "" : " - " + v(6));
    h.cnpj = v(7), h.ie = v(8), h.im = v(9);
    h.ecf_number = static_cast<int>(digits_value(v(10)).value_or(0));
    h.store = glo::NumeroLoja;
    if (h.razao != c.m.header.razao || h.fantasia != c.m.header.fantasia ||
        h.endereco != c.m.header.endereco || h.cidade != c.m.header.cidade ||
        h.cnpj != c.m.header.cnpj || h.ie != c.m.header.ie || h.im != c.m.header.im ||
        h.ecf_number != c.m.header.ecf_number || h.store != c.m.header.store) {
        c.m.header = h;
        c.dirty = true;
    }
    return true;
}

void open_day(Command& c) {
    std::string_view p = c.params.at(1);
    auto units = p.size() == 14 ? digits_value(p) : std::nullopt;
    if (!units) refuse("Valor do suprimento inicial inválido (\"" + cp1252_to_utf8(p) + "\").");
    require_new_document(c.m, c.now);
    c.db_tx = std::make_unique<DbTransaction>(c.db);
    load_header(c);
    start_movement(c);
    update_printer_row(c, "situacao='A', data_sit=" + DTSQL(c.m.day.movement),
                       "abrir o dia no cadastro da impressora");
    if (*units > 0) issue_cash_receipt(c, "SU", Money::from_units(*units));
    x_reading(c);
}

void x_reading(Command& c) {
    require_no_document(c.m);
    close_cancellation_window(c.m, false);
    ++c.m.coo;
    TapeDocument d;
    d.coo = c.m.coo, d.kind = doc::kXReading, d.at = c.now;
    d.lines = document_header(c.m, c.now, c.m.coo, 0, "LEITURA X");
    for (auto& l : day_reading(c.m, c.m.day, false, 0)) d.lines.push_back(std::move(l));
    for (auto& l : document_footer(c.m, c.now)) d.lines.push_back(std::move(l));
    c.emit(std::move(d));
}

void z_reduction(Command& c) {
    if (c.m.doc.kind == DocKind::coupon)
        refuse("Cupom fiscal aberto: encerre ou cancele o cupom antes da Redução Z.");
    require_no_document(c.m);
    if (z_done_today(c.m, c.now)) refuse_warning("Redução Z do dia já emitida.");
    Day& day = c.m.day;
    const DayNumber movement = day.open ? day.movement : c.now.day;
    c.db_tx = std::make_unique<DbTransaction>(c.db);
    update_printer_row(
        c, "situacao='F', data_sit=" + DTSQL(movement) + ", data_reducaoz=" + DTSQL(c.now.day),
        "fechar o dia no cadastro da impressora");
    ++c.m.coo, ++c.m.crz;
    ZRecord z;
    z.crz = c.m.crz, z.coo = c.m.coo, z.cro = c.m.cro, z.movement = movement, z.emitted = c.now;
    z.gt = c.m.gt, z.gross = day.open ? c.m.gt - day.gt_start : Money{};
    z.first_coo = day.first_coo ? day.first_coo : 1, z.last_coo = c.m.coo;
    for (const auto& [name, value] : day.tax) {
        z.tax[name] = value;
        if (name.size() == 7 && name[2] == 'T') z.icms += icms_of(name, value);
        if (name.size() == 7 && name[2] == 'S') z.iss += icms_of(name, value);
    }
    z.canc = day.canc, z.desc = day.desc, z.surch = day.surch;
    z.canc_iss = day.canc_iss, z.desc_iss = day.desc_iss, z.surch_iss = day.surch_iss;

    TapeDocument d;
    d.coo = c.m.coo, d.kind = doc::kZReduction, d.at = c.now, d.value = z.gross;
    d.lines = document_header(c.m, c.now, c.m.coo, 0, "REDUÇÃO Z");
    Day reading = day;
    if (!reading.open) reading.movement = movement;
    for (auto& l : day_reading(c.m, reading, true, c.m.crz)) d.lines.push_back(std::move(l));
    d.lines.push_back(rule());
    d.lines.push_back(spread("ICMS DEBITADO", money(z.icms)));
    d.lines.push_back(spread("ISSQN DEBITADO", money(z.iss)));
    d.lines.push_back(spread("COO INICIAL: " + zero_filled(z.first_coo, 6),
                             "COO FINAL: " + zero_filled(z.last_coo, 6)));
    for (auto& l : document_footer(c.m, c.now)) d.lines.push_back(std::move(l));
    c.emit(std::move(d));
    c.record(encode_reduction(z));

    c.m.last_z_movement = movement;
    c.m.last_z_at = c.now;
    day = Day{};
    day.first_coo = c.m.coo + 1;
    day.gt_start = c.m.gt;
    close_cancellation_window(c.m, true);
    c.after.push_back([] { glo::rz_pendente = 0; });
}

void toggle_summer_time(Command& c) {
    require_no_document(c.m);
    if (c.m.day.open)
        refuse_warning(
            "O horário de verão só pode ser alterado com o dia fechado, após a "
            "Redução Z.");
    if (c.m.summer && c.m.last_z_at.day && c.now.value() - c.m.last_z_at.value() < 3600)
        refuse_warning("Saída do horário de verão somente 1 hora após a Redução Z.");
    c.m.summer = !c.m.summer;
    c.record(encode_summer({c.now, c.m.summer}));
}

void program_tax_rates(Command& c) {
    if (c.m.day.open)
        refuse_warning("Programação de alíquotas somente com o dia fechado, após a Redução Z.");
    db::PgResult r = c.db.run(
        "SELECT DISTINCT upper(trim(ecf_st)), upper(substr(trim(ecf_cod_st),1,2)) FROM "
        "balcora.produto WHERE upper(trim(ecf_st)) IN ('T','S') AND coalesce(trim(ecf_cod_st),'')"
        "<>'' ORDER BY 2, 1;",
        "ler as alíquotas dos produtos");
    std::map<std::string, char> letters;
    for (int i = 0; i < r.rows(); ++i) {
        std::string letter(r.value(i, 0)), index(r.value(i, 1));
        if (index.size() != 2 || !digits_value(index)) continue;
        auto [it, inserted] = letters.emplace(index, letter[0]);
        if (!inserted && it->second != letter[0])
            refuse("Índice de alíquota " + index + " usado para ICMS e para ISSQN nos produtos.");
    }
    if (letters.size() > 30) refuse("Mais de 30 índices de alíquota nos produtos.");
    if (letters != c.m.tax_letters) {
        c.m.tax_letters = std::move(letters);
        c.dirty = true;
    }
}

void program_payment_methods(Command& c) {
    static const std::vector<std::pair<std::string, std::string>> keys = {
        {"DINHEIRO", "Dinheiro"}, {"CHEQUE", "CHEQUE"},     {"CARTAO", "CARTAO"},
        {"VALE", "VALE"},         {"CONVENIO", "CONVENIO"}, {"CREDIARIO", "CREDIARIO"},
        {"PIX", "PIX"},           {"OUTROS", "OUTROS"}};
    db::PgResult r = c.db.run(
        "SELECT upper(nome), coalesce(valor,'') FROM balcora.registro WHERE chave='FormaPagto';",
        "ler as formas de pagamento");
    std::map<std::string, std::string> configured;
    for (int i = 0; i < r.rows(); ++i) configured[std::string(r.value(i, 0))] = trim(r.value(i, 1));
    for (const auto& [key, fallback] : keys) {
        auto it = configured.find(key);
        std::string name =
            cut(it != configured.end() && !it->second.empty() ? it->second : fallback, 16);
        bool known = false;
        for (const auto& m : c.m.methods)
            known = known || util::to_upper_ascii(m) == util::to_upper_ascii(name);
        if (known) continue;
        if (c.m.methods.size() >= 20)
            refuse("Tabela de formas de pagamento esgotada: \"" + name +
                   "\" não pode ser programada.");
        c.m.methods.push_back(name);
        c.dirty = true;
    }
}

void list_programming(Command& c) {
    require_no_document(c.m);
    close_cancellation_window(c.m, false);
    ++c.m.coo;
    TapeDocument d;
    d.coo = c.m.coo, d.kind = doc::kListing, d.at = c.now;
    d.lines = document_header(c.m, c.now, c.m.coo, 0, "PROGRAMAÇÃO DO ECF");
    d.lines.push_back(rule());
    d.lines.push_back("DEPARTAMENTOS");
    d.lines.push_back("  01 GERAL");
    d.lines.push_back("ÍNDICES DE ALÍQUOTA");
    if (c.m.tax_letters.empty()) d.lines.push_back("  NENHUM (índices numéricos tributam ICMS)");
    for (const auto& [index, letter] : c.m.tax_letters)
        d.lines.push_back("  " + index + " " + (letter == 'S' ? "ISSQN" : "ICMS"));
    d.lines.push_back("FORMAS DE PAGAMENTO");
    if (c.m.methods.empty()) d.lines.push_back("  NENHUMA");
    for (std::size_t i = 0; i < c.m.methods.size(); ++i)
        d.lines.push_back("  " + zero_filled(static_cast<int>(i) + 1, 2) + " " + c.m.methods[i]);
    d.lines.push_back(spread("GUILHOTINA", c.m.cutter ? "ATIVA" : "INATIVA"));
    for (auto& l : document_footer(c.m, c.now)) d.lines.push_back(std::move(l));
    c.emit(std::move(d));
}

void configure_printer(Command& c) {
    // The shop data are refreshed when the database answers; the printer
    // itself configures without it.
    try {
        load_header(c);
    } catch (const Refusal&) {
    }
}

void sync_day_state(Command& c) {
    try {
        if (c.m.header.razao.empty() && c.m.header.cnpj.empty()) load_header(c);
        db::PgResult r = c.db.run(
            "SELECT coalesce(situacao,''), coalesce(data_sit::text,'') FROM balcora.maqecf WHERE "
            "num_serie=" +
                serial_sql(c) + ";",
            "ler o cadastro da impressora");
        if (r.rows() == 0) return;
        const std::string situacao(r.value(0, 0));
        const DayNumber data_sit = util::parse_iso_date(r.value(0, 1));
        // A crash between the printer's memory and the database's commit is
        // repaired here; a row the printer has no reason to doubt is left alone.
        if (c.m.day.open && (situacao != "A" || data_sit != c.m.day.movement))
            c.db.run("UPDATE balcora.maqecf SET situacao='A', data_sit=" + DTSQL(c.m.day.movement) +
                         " WHERE num_serie=" + serial_sql(c) + ";",
                     "atualizar o cadastro da impressora");
        else if (!c.m.day.open && situacao == "A" && c.m.last_z_movement &&
                 data_sit == c.m.last_z_movement)
            c.db.run("UPDATE balcora.maqecf SET situacao='F', data_reducaoz=" +
                         DTSQL(c.m.last_z_at.day) + " WHERE num_serie=" + serial_sql(c) + ";",
                     "atualizar o cadastro da impressora");
    } catch (const Refusal&) {
    }
}

void check_sale_state(Command& c) {
    if (c.m.doc.kind == DocKind::report || c.m.doc.kind == DocKind::voucher)
        require_no_document(c.m);
    if (c.m.doc.kind == DocKind::none) require_new_document(c.m, c.now);
}

}  // namespace balcora::vecf
