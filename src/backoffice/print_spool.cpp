#include "backoffice/print_spool.h"

#include "backoffice/backoffice_link.h"
#include "db/literals.h"
#include "db/sql_record.h"
#include "db/sql_runner.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <array>
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
// A document this checkout claimed in the back office, with the back
// office's transaction that claimed it: every checkout of the shop polls the
// same rows, and a claim whose commit was not seen (a lost link, a crash) is
// settled by asking the back office whether that transaction committed.
constexpr const char* kClaimKey = "SPOOL_ECF_RESERVA";
// situacao of a document a checkout claimed and is printing.
constexpr const char* kClaimed = "I";

std::string local_name(const std::string& id_docto) {
    return TXTSQL(company() + "/" + id_docto);
}

bool has_local(const char* key, const std::string& id_docto) {
    db::SqlRecord r;
    // A doubt counts as present: a second copy is the fault to avoid.
    if (!db::read_rows(std::string("SELECT 1 FROM balcora.registro WHERE chave='") + key +
                           "' AND nome=" + local_name(id_docto) + ";",
                       r))
        return true;
    return r.has_row();
}

bool keep_local(const char* key, const std::string& id_docto, const std::string& value) {
    return db::run_sql(std::string("INSERT INTO balcora.registro (chave, nome, valor) VALUES ('") +
                       key + "', " + local_name(id_docto) + ", " + TXTSQL(value) +
                       ") ON CONFLICT (chave, nome) DO UPDATE SET valor=EXCLUDED.valor;")
        .has_value();
}

void forget_local(const char* key, const std::string& id_docto) {
    db::run_sql(std::string("DELETE FROM balcora.registro WHERE chave='") + key +
                "' AND nome=" + local_name(id_docto) + ";");
}

std::string document_rows(const std::string& id_docto) {
    return " WHERE id_docto=" + TXTSQL(id_docto) + " and id_empresa=" + company();
}

// Marks the document printed. The document's id comes from the back office:
// it enters the statement as a literal, whatever it holds.
bool mark_printed(const std::string& id_docto, const db::FailureReport& report) {
    return db::run_sql(
               linked_exec("UPDATE gestao.spoolecf SET situacao='E'" + document_rows(id_docto)),
               report)
        .has_value();
}

// Puts a claimed document back to waiting, for any checkout to print.
bool give_back(const std::string& id_docto) {
    return db::run_sql(linked_exec(std::string("UPDATE gestao.spoolecf SET situacao='L'") +
                                   document_rows(id_docto) + " and situacao='" + kClaimed + "'"),
                       db::report_nothing)
        .has_value();
}

// Claims the document's waiting lines in one back-office transaction that
// only one checkout can win: the lines are locked in their order, and a
// checkout that waited for another's claim finds them no longer waiting.
// The claim is recorded here before the back office commits it.
enum class Claim { kWon, kLost, kUnknown };
Claim claim(const std::string& id_docto) {
    if (!db::run_sql(linked_exec("BEGIN;"), db::report_nothing)) return Claim::kUnknown;
    auto rollback = [] { db::run_sql(linked_exec("ROLLBACK;"), db::report_nothing); };
    db::SqlRecord r;
    const bool ran = read_linked(
        std::string("UPDATE gestao.spoolecf SET situacao='") + kClaimed +
            "' WHERE id_spoolecf IN (SELECT id_spoolecf FROM gestao.spoolecf" +
            document_rows(id_docto) +
            " and situacao='L' ORDER BY id_spoolecf FOR UPDATE) RETURNING txid_current()",
        "reserva", {"xid"}, r);
    if (!ran || !r.has_row()) {
        rollback();
        return ran ? Claim::kLost : Claim::kUnknown;
    }
    const auto xid = util::read_integer(r.C(1));
    if (!xid.valid || !keep_local(kClaimKey, id_docto, std::to_string(xid.value))) {
        rollback();
        return Claim::kUnknown;
    }
    // A commit whose answer is lost leaves the claim to be settled later.
    return db::run_sql(linked_exec("COMMIT;"), db::report_nothing) ? Claim::kWon : Claim::kUnknown;
}

// "committed", "aborted", "in progress", or empty when it cannot be told.
std::string back_office_transaction(const std::string& xid) {
    const auto n = util::read_integer(xid);
    if (!n.valid) return {};
    db::SqlRecord r;
    if (!read_linked("SELECT txid_status(" + std::to_string(n.value) + ")", "t", {"status"}, r) ||
        !r.has_row())
        return {};
    return std::string(r.C(1));
}

// The claims and printed documents this checkout left unsettled: a printed
// one is marked, a claim that committed and was not printed goes back to
// waiting, one that never committed is forgotten. What cannot be told now
// waits for a later tick.
void settle_earlier_work() {
    db::SqlRecord r;
    if (!db::read_rows(
            std::string("SELECT chave, substr(nome, ") + std::to_string(company().size() + 2) +
                "), valor FROM balcora.registro WHERE chave IN ('" + kClaimKey + "', '" +
                kPrintedKey + "') AND nome LIKE " + TXTSQL(company() + "/%") + " ORDER BY chave;",
            r, db::report_nothing))
        return;
    std::vector<std::array<std::string, 3>> rows;
    for (bool more = r.has_row(); more; more = r.next())
        rows.push_back({std::string(r.C(1)), std::string(r.whole(2)), std::string(r.C(3))});
    for (const auto& [key, id_docto, value] : rows) {
        if (key == kPrintedKey) {
            // Printed (by this version or an earlier one, which kept no claim).
            if (mark_printed(id_docto, db::report_nothing)) {
                forget_local(kPrintedKey, id_docto);
                forget_local(kClaimKey, id_docto);
            }
            continue;
        }
        if (has_local(kPrintedKey, id_docto)) continue;  // marked above or next tick
        const std::string outcome = back_office_transaction(value);
        if (outcome == "aborted" || (outcome == "committed" && give_back(id_docto)))
            forget_local(kClaimKey, id_docto);
    }
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
    settle_earlier_work();
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
    const std::string title(r.C(2));
    if (claim(id_docto) != Claim::kWon) {
        // Another checkout has it, or the back office did not answer: the
        // claim, if it was taken, is settled on a later tick.
        set_status("Aguardando...");
        return false;
    }
    if (!print_and_keep(id_docto, title)) {
        if (give_back(id_docto)) forget_local(kClaimKey, id_docto);
        set_status("Aguardando...");
        return false;
    }
    set_status("Atualizando situação do docto...");
    if (mark_printed(id_docto, db::report_in_sql_dialog)) {
        forget_local(kPrintedKey, id_docto);
        forget_local(kClaimKey, id_docto);
    }
    set_status("Aguardando...");
    return true;
}

bool PrintSpoolScreen::print_and_keep(const std::string& id_docto, std::string_view title) {
    set_status("Imprimindo " + util::trim(title) + "...");
    if (!print_document(id_docto)) return false;
    keep_local(kPrintedKey, id_docto, "E");
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
