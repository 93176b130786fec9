// Readings of the fiscal memory, downloads of both memories, the tape mirror
// and the Ato COTEPE file (layouts in README.md).
#include "command.h"
#include "tape.h"
#include "text.h"
#include "ui/environment.h"
#include "util/text.h"

#include <fstream>
#include <system_error>

namespace balcora::vecf {

namespace {

struct PathParam {
    fs::path path;
    std::string_view rest;
};

// A file path of 200 characters, padded with blanks, followed by the range.
PathParam path_param(std::string_view p) {
    if (p.size() < 200)
        refuse("Parâmetro inválido: o caminho do arquivo deve ocupar 200 posições.");
    std::string text = trim(cp1252_to_utf8(p.substr(0, 200)));
    if (text.empty()) refuse("Caminho do arquivo não informado.");
    fs::path path = text[0] == '/' ? fs::path(text) : data_root().map(text);
    return {path, p.substr(200)};
}

// Replaces the file with the given lines, through a temporary file so that a
// reader never finds half of it.
void write_lines(const fs::path& path, const std::vector<std::string>& lines) {
    std::error_code ec;
    if (path.has_parent_path()) fs::create_directories(path.parent_path(), ec);
    fs::path temp = path;
    temp += ".tmp";
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        for (const auto& l : lines) out << l << "\r\n";
        out.flush();
        if (!out) {
            fs::remove(temp, ec);
            refuse("Erro (" + std::error_code(errno, std::generic_category()).message() +
                   ") ao criar o arquivo " + path.string());
        }
    }
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        refuse("Erro (" + ec.message() + ") ao criar o arquivo " + path.string());
    }
}

std::vector<FiscalRecord> fiscal_records(Command& c) {
    try {
        return read_fiscal_memory(c.store.fiscal_memory(c.m));
    } catch (const Damaged& d) {
        refuse(std::string("Memória fiscal danificada (") + d.what() +
               "). Chame a assistência técnica.");
    }
}

std::vector<TapeDocument> tape_documents(Command& c) {
    try {
        return read_tape_memory(c.store.tape_memory(c.m));
    } catch (const Damaged& d) {
        refuse(std::string("Memória de fita detalhe danificada (") + d.what() +
               "). Chame a assistência técnica.");
    }
}

MemoryRange date_range(std::string_view p) {
    MemoryRange r;
    r.first_day = p.size() >= 20 ? parse_date(p.substr(0, 10)) : 0;
    r.last_day = p.size() >= 20 ? parse_date(p.substr(10, 10)) : 0;
    if (!r.first_day || !r.last_day || r.last_day < r.first_day)
        refuse("Período inválido (\"" + cp1252_to_utf8(p) + "\").");
    return r;
}

MemoryRange crz_range(std::string_view p) {
    MemoryRange r;
    r.by_date = false;
    auto a = p.size() >= 8 ? digits_value(p.substr(0, 4)) : std::nullopt;
    auto b = p.size() >= 8 ? digits_value(p.substr(4, 4)) : std::nullopt;
    if (!a || !b || *a < 1 || *b < *a)
        refuse("Intervalo de reduções inválido (\"" + cp1252_to_utf8(p) + "\").");
    r.first_crz = static_cast<int>(*a), r.last_crz = static_cast<int>(*b);
    return r;
}

bool complete_kind(std::string_view p, std::size_t at) {
    if (p.size() != at + 1 || (p[at] != 'C' && p[at] != 'S' && p[at] != 'c' && p[at] != 's'))
        refuse("Tipo de leitura inválido: use C (completa) ou S (simplificada).");
    return p[at] == 'C' || p[at] == 'c';
}

std::vector<const ZRecord*> reductions_in(const std::vector<FiscalRecord>& records,
                                          const MemoryRange& range) {
    std::vector<const ZRecord*> out;
    for (const FiscalRecord& r : records)
        if (r.kind == FiscalRecord::Kind::reduction && in_range(r.z, range)) out.push_back(&r.z);
    return out;
}

std::vector<std::string> file_heading(const Memory& m, std::string_view title, const Moment& now) {
    return {std::string(title),
            "FAB: " + m.serial + "  CNPJ: " + m.header.cnpj + "  IE: " + m.header.ie,
            m.header.razao, "GERADO EM: " + br_moment(now), rule()};
}

}  // namespace

void memory_reading(Command& c) {
    const bool to_file = c.number == 83 || c.number == 84;
    const bool by_date = c.number == 80 || c.number == 83;
    std::string_view p = c.params.at(1);
    fs::path target;
    if (to_file) {
        PathParam pp = path_param(p);
        target = pp.path;
        p = pp.rest;
    }
    MemoryRange range = by_date ? date_range(p) : crz_range(p);
    range.complete = complete_kind(p, by_date ? 20 : 8);
    std::vector<FiscalRecord> records = fiscal_records(c);
    if (reductions_in(records, range).empty())
        refuse_warning("Não há Reduções Z na memória fiscal no intervalo informado.");
    std::vector<std::string> body = memory_reading_body(c.m, records, range);
    if (to_file) {
        std::vector<std::string> lines = file_heading(c.m, "LEITURA DA MEMÓRIA FISCAL", c.now);
        lines.insert(lines.end(), body.begin(), body.end());
        write_lines(target, lines);
        return;
    }
    require_no_document(c.m);
    close_cancellation_window(c.m, false);
    ++c.m.coo;
    TapeDocument d;
    d.coo = c.m.coo, d.kind = doc::kMemoryReading, d.at = c.now;
    d.lines = document_header(c.m, c.now, c.m.coo, 0, "LEITURA DA MEMÓRIA FISCAL");
    d.lines.insert(d.lines.end(), body.begin(), body.end());
    for (auto& l : document_footer(c.m, c.now)) d.lines.push_back(std::move(l));
    c.emit(std::move(d));
}

void download_fiscal_memory(Command& c) {
    PathParam pp = path_param(c.params.at(1));
    std::string journal = c.store.fiscal_memory(c.m);
    std::vector<FiscalRecord> records = fiscal_records(c);
    std::vector<std::string> lines = {"BALCORA-ECF-VIRTUAL-MF|1|" + c.m.serial + "|" +
                                      iso_moment(c.now) + "|CRO=" + std::to_string(c.m.cro) +
                                      "|CRZ=" + std::to_string(c.m.crz) +
                                      "|GT=" + std::to_string(c.m.gt.units())};
    std::size_t start = 0;
    while (start < journal.size()) {
        std::size_t nl = journal.find('\n', start);
        if (nl == std::string::npos) nl = journal.size();
        lines.push_back(journal.substr(start, nl - start));
        start = nl + 1;
    }
    lines.push_back("FIM|" + std::to_string(records.size()));
    write_lines(pp.path, lines);
}

void download_tape_memory(Command& c) {
    PathParam pp = path_param(c.params.at(1));
    MemoryRange range = date_range(pp.rest);
    std::vector<std::string> lines = {"BALCORA-ECF-VIRTUAL-MFD|1|" + c.m.serial + "|" +
                                      iso_moment(c.now) + "|" + util::iso_date(range.first_day) +
                                      "|" + util::iso_date(range.last_day)};
    int count = 0;
    for (const TapeDocument& d : tape_documents(c)) {
        if (d.at.day < range.first_day || d.at.day > range.last_day) continue;
        std::string record = encode_document(d);
        record.pop_back();
        std::size_t start = 0;
        while (start <= record.size()) {
            std::size_t nl = record.find('\n', start);
            lines.push_back(record.substr(start, nl == record.npos ? nl : nl - start));
            if (nl == record.npos) break;
            start = nl + 1;
        }
        ++count;
    }
    lines.push_back("FIM|" + std::to_string(count));
    write_lines(pp.path, lines);
}

void tape_mirror(Command& c) {
    const bool by_date = c.number == 92;
    PathParam pp = path_param(c.params.at(1));
    DayNumber first_day = 0, last_day = 0;
    std::int64_t first_coo = 0, last_coo = 0;
    if (by_date) {
        MemoryRange r = date_range(pp.rest);
        first_day = r.first_day, last_day = r.last_day;
    } else {
        auto a = pp.rest.size() >= 12 ? digits_value(pp.rest.substr(0, 6)) : std::nullopt;
        auto b = pp.rest.size() >= 12 ? digits_value(pp.rest.substr(6, 6)) : std::nullopt;
        if (!a || !b || *a < 1 || *b < *a)
            refuse("Intervalo de COO inválido (\"" + cp1252_to_utf8(pp.rest) + "\").");
        first_coo = *a, last_coo = *b;
    }
    std::vector<std::string> lines = file_heading(c.m, "ESPELHO DA MEMÓRIA DE FITA DETALHE", c.now);
    lines.push_back(by_date
                        ? "PERÍODO: " + util::br_date(first_day) + " A " + util::br_date(last_day)
                        : "COO: " + zero_filled(first_coo, 6) + " A " + zero_filled(last_coo, 6));
    lines.push_back("");
    int count = 0;
    for (const TapeDocument& d : tape_documents(c)) {
        bool inside = by_date ? d.at.day >= first_day && d.at.day <= last_day
                              : d.coo >= first_coo && d.coo <= last_coo;
        if (!inside) continue;
        lines.insert(lines.end(), d.lines.begin(), d.lines.end());
        ++count;
    }
    if (count == 0)
        refuse_warning("Não há documentos na memória de fita detalhe no intervalo informado.");
    write_lines(pp.path, lines);
}

void cotepe_file(Command& c) {
    const bool by_date = c.number == 86;
    PathParam pp = path_param(c.params.at(1));
    MemoryRange range = by_date ? date_range(pp.rest) : crz_range(pp.rest);
    auto kind_number = digits_value(trim(c.params.or_empty(2)));
    static const char* names[] = {"MF", "MFD", "TDM", "RZ", "RFD"};
    const int kind = kind_number && *kind_number <= 4 ? static_cast<int>(*kind_number) : 0;
    const std::string name = names[kind];

    std::vector<FiscalRecord> records = fiscal_records(c);
    std::vector<const ZRecord*> zs = reductions_in(records, range);
    // Documents of the range: by date, those issued on its days; by reductions,
    // those from the first reduction's day opening to the last reduction.
    std::int64_t first_coo = 1, last_coo = 0;
    if (!by_date && !zs.empty()) first_coo = zs.front()->first_coo, last_coo = zs.back()->coo;
    std::vector<TapeDocument> docs;
    if (kind == 1 || kind == 2 || kind == 4) {
        for (TapeDocument& d : tape_documents(c)) {
            bool inside = by_date ? d.at.day >= range.first_day && d.at.day <= range.last_day
                                  : d.coo >= first_coo && d.coo <= last_coo;
            if (inside) docs.push_back(std::move(d));
        }
    }
    if (zs.empty() && docs.empty())
        refuse_warning("Não há dados na memória da impressora no intervalo informado.");

    auto plain = [](std::string_view s) { return one_line(RETIRAACENTOS(s), '|'); };
    std::vector<std::string> lines;
    lines.push_back("E00|AC1704|" + std::to_string(kind) + "|" + name + "|" + plain(c.m.serial) +
                    "|" + iso_moment(c.now) + "|" + (by_date ? "D" : "R") + "|" +
                    (by_date ? util::iso_date(range.first_day) : std::to_string(range.first_crz)) +
                    "|" +
                    (by_date ? util::iso_date(range.last_day) : std::to_string(range.last_crz)));
    lines.push_back("E01|" + plain(c.m.header.cnpj) + "|" + plain(c.m.header.ie) + "|" +
                    plain(c.m.header.razao) + "|" + zero_filled(c.m.cro, 3) + "|" +
                    std::to_string(c.m.gt.units()));
    if (kind != 2 && kind != 4) {
        for (const ZRecord* z : zs) {
            lines.push_back("E12|" + std::to_string(z->crz) + "|" + std::to_string(z->coo) + "|" +
                            std::to_string(z->cro) + "|" + util::iso_date(z->movement) + "|" +
                            iso_moment(z->emitted) + "|" + std::to_string(z->gross.units()) + "|" +
                            std::to_string(z->gt.units()) + "|" + std::to_string(z->first_coo) +
                            "|" + std::to_string(z->last_coo));
            auto total = [&](const std::string& n, Money v) {
                lines.push_back("E13|" + std::to_string(z->crz) + "|" + n + "|" +
                                std::to_string(v.units()));
            };
            for (const auto& [n, v] : z->tax) total(n, v);
            total("Can-T", z->canc), total("DT", z->desc), total("AT", z->surch);
            total("Can-S", z->canc_iss), total("DS", z->desc_iss), total("AS", z->surch_iss);
        }
        if (kind == 0)
            for (const FiscalRecord& r : records)
                if (r.kind == FiscalRecord::Kind::summer &&
                    (!by_date ||
                     (r.summer.at.day >= range.first_day && r.summer.at.day <= range.last_day)))
                    lines.push_back("E16|" + iso_moment(r.summer.at) + "|" +
                                    (r.summer.on ? "E" : "S"));
    }
    for (const TapeDocument& d : docs) {
        lines.push_back("E14|" + std::to_string(d.coo) + "|" + d.kind + "|" +
                        std::to_string(d.ccf) + "|" + std::to_string(d.gnf) + "|" +
                        std::to_string(d.grg) + "|" + std::to_string(d.cdc) + "|" +
                        iso_moment(d.at) + "|" + std::to_string(d.value.units()) + "|" + d.status);
        if (kind == 4) continue;
        for (const auto& l : d.lines)
            lines.push_back("E15|" + std::to_string(d.coo) + "|" + plain(l));
    }
    lines.push_back("E99|" + std::to_string(lines.size() + 1));
    util::CivilDate day = util::civil_date(c.now.day);
    std::string stamp = zero_filled(day.year, 4) + zero_filled(day.month, 2) +
                        zero_filled(day.day, 2) + "_" + SOALFANUM(hms(c.now.seconds));
    write_lines(pp.path / ("AC1704_" + name + "_" + SOALFANUM(c.m.serial) + "_" + stamp + ".txt"),
                lines);
}

}  // namespace balcora::vecf
