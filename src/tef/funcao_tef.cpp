#include "tef/funcao_tef.h"

#include "db/literals.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/fiscal_printer.h"
#include "ecf/maqecf_record.h"
#include "globals/globals.h"
#include "sale/coupon_cancellation.h"
#include "sale/printer_reconciliation.h"
#include "tef/tef_exchange.h"
#include "tef/tef_message_window.h"
#include "tef/tef_mode.h"
#include "ui/environment.h"
#include "ui/screen_port.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>
#include <filesystem>

namespace balcora::tef {

namespace fs = std::filesystem;

namespace {

SystemTimer& system_timer() {
    static SystemTimer timer;
    return timer;
}
Timer* injected_timer = nullptr;
Limits injected_limits;

bool set_adm(std::string_view value) {
    return GRAVAREGISTRO("balcora", std::string(kAdmSection), std::string(kAdmKey),
                         std::string(value));
}

bool adm_pending() {
    return util::trim(LEREGISTRO("balcora", std::string(kAdmSection), std::string(kAdmKey), "N")) ==
           "S";
}

std::int64_t number(std::string_view text) {
    return util::read_integer(util::trim(text)).value;
}

// The COO the manager echoed in field 002 of a response (the one the request
// carried); 0 when it has none.
std::int64_t echoed_coo(const std::string& bytes) {
    const auto fields = parse_fields(bytes);
    const auto it = fields.find({2, 0});
    return it == fields.end() ? 0 : number(it->second);
}

// The card payment a function works on, with its coupon.
struct PaymentRow {
    std::int64_t id = 0;
    std::int64_t id_cfiscal = 0;
    std::int64_t coo = 0;
    util::Money valor;
    std::string nome_rede;
    std::string nsu;
    util::DayNumber data_transacao = 0;
    std::string hora_transacao;
};

bool load_card_payment(std::int64_t id, PaymentRow& out) {
    db::SqlFailure failure;
    db::SqlRecord r;
    if (!db::read_row("SELECT p.id_cfiscal, coalesce(c.numero, 0) AS coo, p.valor, "
                      "coalesce(p.nome_rede, '') AS nome_rede, coalesce(p.nsu, '') AS nsu, "
                      "p.data_transacao, "
                      "coalesce(to_char(p.hora_transacao, 'HH24MISS'), '') AS hora_transacao "
                      "FROM balcora.cfiscalfp p LEFT JOIN balcora.cfiscal c "
                      "ON c.id_cfiscal=p.id_cfiscal WHERE p.id_cfiscalfp=",
                      id, r, db::keep_failure_in(failure))) {
        prompt().message(
            "Erro",
            "Erro (" + (failure.sqlstate.empty() ? "0" : failure.sqlstate) + ") ao ler cfiscafp!",
            ui::Icon::kError);
        return false;
    }
    out.id = id;
    out.id_cfiscal = number(r.text("id_cfiscal"));
    out.coo = number(r.text("coo"));
    out.valor = r.money("valor");
    out.nome_rede = util::trim(r.text("nome_rede"));
    out.nsu = util::trim(r.text("nsu"));
    out.data_transacao = r.day("data_transacao");
    out.hora_transacao = util::trim(r.text("hora_transacao"));
    return true;
}

// One run of FUNCAOTEF: its message window and its exchange.
class Function {
  public:
    Function(std::string_view name, std::string_view argument)
        : name_(name),
          argument_(number(argument)),
          exchange_(function_timer(), window_.yielder(), injected_limits) {}

    int run();
    bool finish_confirmation();

  private:
    bool printer_day_valid();
    int administrative_menu();
    int cancel_card_payment();
    int undo_administrative();
    int undo_sale();

    std::optional<Response> request_and_wait(RequestKind kind, const std::string& id,
                                             const std::string& request);
    int process(const Response& r, const PaymentRow* payment);
    bool print_voucher(const Response& r);
    bool confirm(const Response& r, std::int64_t coo);
    bool undo(const Response& r, std::int64_t coo, std::int64_t id_cfiscal);
    bool wait_for_manager();
    bool read_pending(Response& r, std::int64_t& coo);

    std::string name_;
    std::int64_t argument_;
    MessageWindow window_;
    Exchange exchange_;
};

int Function::run() {
    if (name_ != "ADM" && name_ != "CANCFP1" && name_ != "CANCTRANSACAO" &&
        name_ != "CANCTRANSACAOADM") {
        prompt().message("Aviso", "FUNCAO DESCONHECIDA: " + name_, ui::Icon::kWarning);
        return 0;
    }
    if (!printer_day_valid()) return 0;
    int result = 0;
    if (name_ == "ADM")
        result = administrative_menu();
    else if (name_ == "CANCFP1")
        result = cancel_card_payment();
    else if (name_ == "CANCTRANSACAO")
        result = undo_sale();
    else
        result = undo_administrative();
    DESATIVAMODOTEF();
    window_.close();
    return result;
}

bool Function::printer_day_valid() {
    MaqecfRecord row;
    if (!ecf::load_maqecf_by_serial(util::trim(glo::numfab), row)) {
        prompt().message("Aviso", "ECF não configurada para este computador!", ui::Icon::kWarning);
        return false;
    }
    if (util::trim(row.situacao) == "A" && row.data_sit != today()) {
        const std::string day = util::br_date(row.data_sit);  // dd/mm/yyyy
        const std::string shown = day.size() == 10 ? day.substr(0, 6) + day.substr(8) : day;
        prompt().message("Aviso", "Data situação (" + shown + ") do caixa inválida!",
                         ui::Icon::kWarning);
        return false;
    }
    return true;
}

std::optional<Response> Function::request_and_wait(RequestKind kind, const std::string& id,
                                                   const std::string& request) {
    if (!exchange_.send(RequestKind::kAtv, atv_request(exchange_.new_identifier())))
        return std::nullopt;
    if (!exchange_.send(kind, request)) return std::nullopt;
    window_.show("Aguardando gerenciador padrão...");
    return exchange_.wait_response(id, Exchange::OtherResponse::kStop);
}

int Function::administrative_menu() {
    window_.show("Iniciando gerenciador padrão. Aguarde...");
    const std::string id = exchange_.new_identifier();
    // Marked before the request goes, not once its answer is copied: a crash
    // between the copy and the mark would leave the answer to be taken for a
    // sale's, and the last coupon would be cancelled to undo it.
    if (!set_adm("S")) return 0;
    const auto r = request_and_wait(RequestKind::kAdm, id, adm_request(id));
    if (!r) {
        if (!pending_transaction_files_exist()) set_adm("N");
        return 0;
    }
    return process(*r, nullptr);
}

int Function::cancel_card_payment() {
    PaymentRow payment;
    if (!load_card_payment(argument_, payment)) return 0;
    window_.show("Iniciando gerenciador padrão. Aguarde...");
    const std::string id = exchange_.new_identifier();
    const auto r =
        request_and_wait(RequestKind::kCnc, id,
                         cnc_request(id, payment.coo, payment.valor, payment.nome_rede, payment.nsu,
                                     payment.data_transacao, payment.hora_transacao));
    if (!r) return 0;
    return process(*r, &payment);
}

// The manager's answer to ADM or CNC. An approved one is printed and
// confirmed, or undone when that failed; for a card payment the coupon is
// cancelled on the printer first.
int Function::process(const Response& r, const PaymentRow* payment) {
    if (!r.approved()) {
        if (!r.message.empty()) {
            exchange_.remove_copy();
            exchange_.remove_response();
            window_.show(r.message);
            prompt().message("Aviso TEF", r.message, ui::Icon::kWarning);
        } else if (payment) {
            // A declined cancellation leaves nothing to undo at the manager;
            // kept, its files would read as a sale's pending transaction at
            // the next start-up, and the coupon would be cancelled for it.
            exchange_.remove_copy();
            exchange_.remove_response();
        }
        return 0;
    }
    ATIVAMODOTEF();
    if (!r.message.empty()) window_.show("TEF: " + r.message);
    const std::int64_t coo = payment ? payment->coo : 0;
    if (payment) {
        if (!sale::cancel_card_coupon_on_printer(payment->id_cfiscal)) {
            undo(r, coo, 0);
            return 0;
        }
        // The note of the confirmation commits with the coupon's
        // cancellation: from here on a crash must lead to the card's
        // cancellation being confirmed at the next start-up, not undone.
        db::execute("UPDATE balcora.cfiscalfp SET cancelada=1 WHERE id_cfiscalfp=" +
                    std::to_string(payment->id) + ";");
        note_confirmation(r.identifier);
        db::execute("COMMIT;");
    }
    const bool printed = print_voucher(r);
    if (payment) {
        // Once the printer cancelled the coupon, the card's cancellation is
        // confirmed even without its report: undoing it would charge the
        // customer for a coupon that no longer exists. Not taken now, it is
        // confirmed at the next start-up (the note stays).
        if (confirm(r, coo)) {
            exchange_.remove_copy();
            exchange_.remove_response();
            clear_confirmation_note();
        }
    } else if (printed && note_confirmation(r.identifier) && confirm(r, coo)) {
        exchange_.remove_copy();
        exchange_.remove_response();
        set_adm("N");
        clear_confirmation_note();
    } else {
        clear_confirmation_note();
        undo(r, coo, 0);
    }
    DESATIVAMODOTEF();
    return 1;
}

// The voucher of an administrative transaction, as a management report in
// two copies; the operator may have it printed again.
bool Function::print_voucher(const Response& r) {
    ecf::Printer& printer = ecf::printer();
    auto once = [&] {
        sale::close_documents_left_open();
        if (!printer.open_management_report()) return false;
        for (int copy = 0; copy < 2; ++copy) {
            for (const auto& line : r.voucher)
                if (!printer.report_line(util::trim(line) + "\r\n")) return false;
            if (copy == 1) break;
            for (int i = 0; i < 6; ++i)
                if (!printer.report_line("  \r\n")) return false;
            if (!printer.cut_paper()) return false;
        }
        return printer.close_report();
    };
    while (!once()) {
        DESATIVAMODOTEF();
        if (!prompt().confirm("ATENÇÃO!", "A impressora não responde!|Deseja tentar novamente?")) {
            printer.close_report();
            return false;
        }
        ATIVAMODOTEF();
    }
    return true;
}

bool Function::confirm(const Response& r, std::int64_t coo) {
    return exchange_.send(RequestKind::kCnf,
                          confirmation_request(Confirmation::kConfirm, r.identifier, coo, r.network,
                                               r.nsu, r.control));
}

// NCN for the transaction of `r`; the payment rows of the coupon with its
// NSU are marked cancelled. False when the manager did not take it (the
// operator was told).
bool Function::undo(const Response& r, std::int64_t coo, std::int64_t id_cfiscal) {
    window_.show("TEF: Cancelando transação...");
    if (!exchange_.send(RequestKind::kNcn,
                        confirmation_request(Confirmation::kUndo, r.identifier, coo, r.network,
                                             r.nsu, r.control))) {
        DESATIVAMODOTEF();
        return false;
    }
    exchange_.remove_status();
    exchange_.remove_copy();
    exchange_.remove_response();
    if (id_cfiscal > 0)
        db::run_sql("UPDATE balcora.cfiscalfp SET cancelada=1 WHERE id_cfiscal=" +
                    std::to_string(id_cfiscal) + " AND nsu=" + TXTSQL(util::trim(r.nsu)) + ";");
    exchange_.pause(exchange_.limits().pause_after_undo);
    DESATIVAMODOTEF();
    window_.close();
    prompt().message("T E F", undo_notice(r.network, r.nsu, r.amount), ui::Icon::kInformation);
    return true;
}

// No sale may start while a transaction is neither confirmed nor undone, so
// the manager is asked until it answers; the message window lets the
// operator close the program instead, and the next start-up tries again.
bool Function::wait_for_manager() {
    const std::string waiting = "Verificando transação pendente. Aguarde...";
    window_.show(waiting);
    window_.offer_quit(true);
    while (!exchange_.send(RequestKind::kAtv, atv_request(exchange_.new_identifier()))) {
        if (window_.quit_requested()) {
            window_.end_program();
            return false;
        }
        window_.show(waiting);
    }
    window_.offer_quit(false);
    return true;
}

// The pending transaction's answer: the manager's file, else its copy. An
// unreadable one stops the program.
bool Function::read_pending(Response& r, std::int64_t& coo) {
    const fs::path file = pending_response_file();
    const platform::ExchangeFile read = read_response_file(file, &r);
    if (!read.read()) {
        prompt().message("Erro", response_file_error(file, read), ui::Icon::kError);
        window_.end_program();
        return false;
    }
    coo = echoed_coo(read.bytes);
    return true;
}

int Function::undo_administrative() {
    if (!wait_for_manager()) return 0;
    Response r;
    std::int64_t coo = 0;
    if (!read_pending(r, coo)) return 0;
    window_.show("TEF: Cancelando transação...");
    if (!exchange_.send(RequestKind::kNcn,
                        confirmation_request(Confirmation::kUndo, r.identifier, coo, r.network,
                                             r.nsu, r.control))) {
        DESATIVAMODOTEF();
        return 0;
    }
    exchange_.remove_status();
    exchange_.remove_copy();
    exchange_.remove_response();
    set_adm("N");
    return 1;
}

bool Function::finish_confirmation() {
    if (!wait_for_manager()) return false;
    Response r;
    std::int64_t coo = 0;
    if (!read_pending(r, coo) || !confirm(r, coo)) return false;
    exchange_.remove_copy();
    exchange_.remove_response();
    set_adm("N");
    clear_confirmation_note();
    return true;
}

int Function::undo_sale() {
    if (!wait_for_manager()) return 0;
    bool coupon_cancelled = false;
    if (argument_ > 0) {
        PaymentRow payment;
        if (!load_card_payment(argument_, payment)) return 0;
        if (!sale::cancel_card_coupon_on_printer(payment.id_cfiscal)) {
            Response r;
            std::int64_t coo = 0;
            if (read_pending(r, coo) && !util::trim(r.network).empty())
                undo(r, payment.coo, payment.id_cfiscal);
            return 0;
        }
        db::execute("UPDATE balcora.cfiscalfp SET cancelada=1 WHERE id_cfiscalfp=" +
                    std::to_string(payment.id) + ";");
        db::execute("COMMIT;");
        coupon_cancelled = true;
    }
    Response r;
    std::int64_t coo = 0;
    if (!read_pending(r, coo)) return coupon_cancelled ? 1 : 0;
    if (util::trim(r.network).empty()) {
        // Nothing the manager could undo: kept, the files would be taken for
        // a pending transaction at every start-up.
        exchange_.remove_copy();
        exchange_.remove_response();
        return 1;
    }
    db::SqlRecord last;
    std::int64_t id_cfiscal = 0;
    if (db::read_rows("SELECT id_cfiscal, numero FROM balcora.cfiscal ORDER BY data DESC, "
                      "id_cfiscal DESC LIMIT 1;",
                      last) &&
        last.has_row()) {
        id_cfiscal = number(last.text("id_cfiscal"));
        coo = number(last.text("numero"));
    }
    const bool undone = undo(r, coo, id_cfiscal);
    return coupon_cancelled || undone ? 1 : 0;
}

}  // namespace

void set_function_exchange(Timer* timer, const Limits& limits) {
    injected_timer = timer;
    injected_limits = limits;
}

Timer& function_timer() {
    return injected_timer ? *injected_timer : system_timer();
}

bool note_confirmation(std::string_view identifier) {
    return GRAVAREGISTRO("balcora", std::string(kAdmSection), "CNF", std::string(identifier));
}

void clear_confirmation_note() {
    // The clear need not wait for the disk: lost only when the database
    // server goes down before its next flush, it leaves the note beside no
    // pending files (ignored), or beside this transaction's, whose
    // confirmation the start-up then hands over again and the manager takes
    // as the same.
    db::execute("SET synchronous_commit TO off;");
    GRAVAREGISTRO("balcora", std::string(kAdmSection), "CNF", "");
    db::execute("RESET synchronous_commit;");
}

bool finish_started_confirmation() {
    const std::string noted =
        util::trim(LEREGISTRO("balcora", std::string(kAdmSection), "CNF", ""));
    if (noted.empty()) return false;
    Response pending;
    if (!pending_transaction_files_exist() ||
        !read_response_file(pending_response_file(), &pending).read() ||
        pending.identifier != noted) {
        clear_confirmation_note();
        return false;
    }
    // Not taken again, the files stay for the next start-up: never undone.
    Function("CNF", {}).finish_confirmation();
    DESATIVAMODOTEF();
    return true;
}

bool confirm_cancellation_of_cancelled_coupon() {
    if (!pending_transaction_files_exist()) return false;
    Response ignored;
    const platform::ExchangeFile read = read_response_file(pending_response_file(), &ignored);
    if (!read.read()) return false;
    const auto fields = parse_fields(read.bytes);
    const auto kind = fields.find({0, 0});
    const std::int64_t coo = echoed_coo(read.bytes);
    if (kind == fields.end() || util::trim(kind->second) != "CNC" || coo <= 0) return false;
    db::SqlRecord r;
    if (!db::read_rows("SELECT situacao FROM balcora.cfiscal WHERE numero=" + std::to_string(coo) +
                           " ORDER BY id_cfiscal DESC LIMIT 1;",
                       r) ||
        !r.has_row() || util::trim(r.text("situacao")) != "C")
        return false;
    // Not taken now, the files stay and the next start-up tries again.
    Function("CNF", {}).finish_confirmation();
    DESATIVAMODOTEF();
    return true;
}

namespace {

// A FIFO, device or link, or a file too large for any answer, in the place of
// a pending transaction's answer is no transaction: read, it would hold the
// start-up; kept, it would stop every sale. It goes, and the operator is told.
void discard_foreign_pending_files(const ExchangeFiles& files) {
    for (const fs::path& file : {files.response, files.copy}) {
        Response ignored;
        const platform::ExchangeFile read = read_response_file(file, &ignored);
        if (read.outcome != platform::ExchangeRead::kNotRegular &&
            read.outcome != platform::ExchangeRead::kTooLarge)
            continue;
        std::error_code ec;
        fs::remove(file, ec);
        prompt().message("Aviso", response_file_error(file, read) + "|O arquivo foi removido.",
                         ui::Icon::kWarning);
    }
}

}  // namespace

fs::path pending_response_file() {
    const ExchangeFiles files = exchange_files();
    std::error_code ec;
    return fs::exists(files.response, ec) ? files.response : files.copy;
}

bool pending_transaction_files_exist() {
    const ExchangeFiles files = exchange_files();
    std::error_code ec;
    return fs::exists(files.response, ec) || fs::exists(files.copy, ec);
}

void recover_card_payment_files() {
    const ExchangeFiles files = exchange_files();
    std::error_code ec;
    if (fs::exists(files.request, ec) && !fs::remove(files.request, ec))
        prompt().message("Aviso",
                         "Erro (" + std::to_string(ec.value()) + ") ao remover arquivo \"" +
                             files.request.string() + "\"!",
                         ui::Icon::kWarning);
    discard_foreign_pending_files(files);
    if (!pending_transaction_files_exist() || finish_started_confirmation()) return;
    if (adm_pending()) {
        FUNCAOTEF("CANCTRANSACAOADM");
        return;
    }
    glo::cf_aberto = 2;
    if (!screens().open(ui::Window::kCouponBrowse))
        prompt().message("Aviso",
                         "Há uma transação TEF pendente, mas a janela do cupom fiscal não está "
                         "disponível nesta versão.",
                         ui::Icon::kWarning);
}

void provide_card_functions(ui::ScreenPort& port) {
    port.provide("FUNCAOTEF", [](const ui::ScreenPort::Arguments& args) {
        return FUNCAOTEF(args.empty() ? std::string_view() : std::string_view(args[0]),
                         args.size() < 2 ? std::string_view() : std::string_view(args[1]));
    });
    port.provide("FUNCAOTEF ADM",
                 [](const ui::ScreenPort::Arguments&) { return FUNCAOTEF("ADM"); });
}

}  // namespace balcora::tef

namespace balcora {

int FUNCAOTEF(std::string_view function, std::string_view argument) {
    return tef::Function(function, argument).run();
}

}  // namespace balcora
