#include "backoffice/print_spool.h"

#include "backoffice/backoffice_link.h"
#include "db/literals.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/text.h"

#include <vector>

namespace balcora::backoffice {

namespace {

std::string company() {
    return std::to_string(glo::id_empresa);
}

// A document printed whose mark in the back office is still to be made is
// kept here, in the local settings table, so that it is marked later and
// never printed a second time (the printer's paper cannot be taken back).
constexpr const char* kPrintedKey = "SPOOL_ECF_IMPRESSO";

std::string printed_name(const std::string& id_docto) {
    return TXTSQL(company() + "/" + id_docto);
}

bool printed_unmarked(const std::string& id_docto) {
    db::SqlRecord r;
    // A doubt counts as printed: a second copy is the fault to avoid.
    if (!db::read_rows(std::string("SELECT 1 FROM balcora.registro WHERE chave='") + kPrintedKey +
                           "' AND nome=" + printed_name(id_docto) + ";",
                       r))
        return true;
    return r.has_row();
}

void keep_printed(const std::string& id_docto) {
    db::run_sql(std::string("INSERT INTO balcora.registro (chave, nome, valor) VALUES ('") +
                kPrintedKey + "', " + printed_name(id_docto) +
                ", 'E') ON CONFLICT (chave, nome) DO NOTHING;");
}

void forget_printed(const std::string& id_docto) {
    db::run_sql(std::string("DELETE FROM balcora.registro WHERE chave='") + kPrintedKey +
                "' AND nome=" + printed_name(id_docto) + ";");
}

}  // namespace

PrintSpoolScreen::PrintSpoolScreen() = default;

PrintSpoolScreen::~PrintSpoolScreen() {
    close();
}

void PrintSpoolScreen::on_status(std::function<void(const std::string&)> listener) {
    listener_ = std::move(listener);
}

void PrintSpoolScreen::set_status(std::string text) {
    status_ = util::cut_characters(text, kStatusWidth);
    if (listener_) listener_(status_);
}

bool PrintSpoolScreen::open() {
    if (link_) return true;
    const LinkSettings s = read_link_settings();
    set_status("Conectando BD " + s.database + " @ " + s.servidor + ":" + std::to_string(s.porta) +
               " ...");
    auto link = std::make_unique<LinkSession>(s);
    if (!link->ok()) return false;
    link_ = std::move(link);
    set_status("Aguardando...");
    return true;
}

void PrintSpoolScreen::close() {
    link_.reset();
}

bool PrintSpoolScreen::tick() {
    if (!link_) return false;
    set_status("Consultando Spool ECF...");
    db::SqlRecord r;
    const std::string poll = linked_select(
        "SELECT id_docto,titulo FROM gestao.spoolecf A WHERE a.situacao='L' and a.id_empresa=" +
            company() + " ORDER BY a.id_spoolecf LIMIT 1",
        "spool", {"id_docto", "titulo"});
    // A back office that stopped answering is shown once, not on every tick:
    // the status line says so until it answers again.
    db::SqlFailure failure;
    const bool read =
        failing_ ? db::read_rows(poll, r, db::keep_failure_in(failure)) : db::read_rows(poll, r);
    failing_ = !read;
    if (!read) {
        set_status("Sem resposta da retaguarda. Aguardando...");
        return false;
    }
    if (!r.has_row()) {
        set_status("Aguardando...");
        return false;
    }
    const std::string id_docto = util::cut_characters(r.C(1), 30);
    // Printed on an earlier tick, its mark failed: only the mark is retried.
    const bool printed = printed_unmarked(id_docto) || print_and_keep(id_docto, r.C(2));
    if (printed) {
        set_status("Atualizando situação do docto...");
        // The document's id comes from the back office: it enters the
        // statement as a literal, whatever it holds.
        if (exec_linked("UPDATE gestao.spoolecf SET situacao='E' WHERE id_docto=" +
                        TXTSQL(id_docto) + " and id_empresa=" + company()))
            forget_printed(id_docto);
    }
    set_status("Aguardando...");
    return printed;
}

bool PrintSpoolScreen::print_and_keep(const std::string& id_docto, std::string_view title) {
    set_status("Imprimindo " + util::trim(title) + "...");
    if (!print_document(id_docto)) return false;
    keep_printed(id_docto);
    return true;
}

bool PrintSpoolScreen::print_document(const std::string& id_docto) {
    db::SqlRecord r;
    if (!read_linked("SELECT linha FROM gestao.spoolecf A WHERE a.id_docto=" + TXTSQL(id_docto) +
                         " and a.id_empresa=" + company() + " ORDER BY a.id_spoolecf",
                     "spool", {"linha"}, r))
        return false;
    std::vector<std::string> lines;
    for (bool more = r.has_row(); more; more = r.next()) {
        std::string line = util::trim_right(util::cut_characters(r.whole(1), 255));
        lines.push_back(line.empty() ? " " : line);
    }
    ecf::Printer& printer = ecf::printer();
    if (!printer.open_management_report()) return false;
    for (const std::string& line : lines) {
        if (!printer.report_line(ecf::document_line(line))) {
            // The report is closed so the printer is free; the document
            // stays waiting and comes again whole.
            printer.close_report();
            return false;
        }
    }
    if (!printer.close_report()) return false;
    printer.register_document(ecf::Document::kManagementReport, util::Money{});
    return true;
}

}  // namespace balcora::backoffice
