#include "sale/quick_sale_screen.h"

#include "access/access_control.h"
#include "access/change_login_screen.h"
#include "access/procedure_rights_screen.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/aux_file.h"
#include "ecf/fiscal_printer.h"
#include "ecf/maqecf_record.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "sale/called_procedures.h"
#include "sale/options_menu.h"
#include "sale/printer_reconciliation.h"
#include "sale/sale_gates.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <algorithm>
#include <system_error>
#include <utility>

namespace balcora::sale {

namespace {

using Action = QuickSaleScreen::Action;

void notice(std::string_view text) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

bool is_picture(const std::filesystem::path& p) {
    std::string ext = util::to_lower_ascii(p.extension().string());
    return ext == ".jpg" || ext == ".jpeg" || ext == ".png" || ext == ".bmp" || ext == ".gif";
}

std::optional<Action> action_of_code(std::string_view code) {
    static const std::vector<std::pair<std::string_view, Action>> codes = {
        {"AC", Action::kOpenDay},        {"FC", Action::kCloseDay},
        {"SS", Action::kCashMovement},   {"CI", Action::kCancelItem},
        {"CC", Action::kCancelCoupon},   {"LX", Action::kXReading},
        {"AG", Action::kDrawer},         {"CP", Action::kProductQuery},
        {"DA", Action::kCancelDocument}, {"LM", Action::kMemoryReading},
    };
    for (const auto& [c, a] : codes)
        if (c == code) return a;
    return std::nullopt;
}

}  // namespace

const std::vector<QuickSaleScreen::KeyBinding>& QuickSaleScreen::key_table() {
    static const std::vector<KeyBinding> table = {
        {"Esc", Action::kClose, {}},
        {"Alt+F4", Action::kClose, {}},
        {"Ctrl+F11", Action::kShutDown, {}},
        {"P", Action::kShutDown, {}},
        {"F7", Action::kDrawer, {}},
        {"R", Action::kDrawer, {}},
        {"F2", Action::kProductQuery, {}},
        {"F3", Action::kCancelItem, {}},
        {"F10", Action::kFinalize, {}},
        {"F5", Action::kChangeOperator, {}},
        {"Ctrl+6", Action::kCashMovement, {}},
        {"O", Action::kCashMovement, {}},
        {"Ctrl+3", Action::kCancelCoupon, {}},
        {"F4", Action::kCancelCoupon, {}},
        {"Ctrl+5", Action::kMemoryReading, {}},
        {"H", Action::kMemoryReading, {}},
        {"Ctrl+2", Action::kXReading, {}},
        {"G", Action::kXReading, {}},
        {"Ctrl+1", Action::kOpenDay, {}},
        {"E", Action::kOpenDay, {}},
        {"Ctrl+4", Action::kCloseDay, {}},
        {"F", Action::kCloseDay, {}},
        {"Alt+7", Action::kDiscount, {}},
        {"D", Action::kDiscount, {}},
        {"Alt+8", Action::kSurcharge, {}},
        {"M", Action::kSurcharge, {}},
        {"Alt+1", Action::kPay, "DI"},
        {"A", Action::kPay, "DI"},
        {"Alt+2", Action::kPay, "CH"},
        {"B", Action::kPay, "CH"},
        {"Alt+3", Action::kPay, "CA"},
        {"C", Action::kPay, "CA"},
        {"Alt+4", Action::kPay, "VA"},
        {"J", Action::kPay, "VA"},
        {"Alt+5", Action::kPay, "CO"},
        {"K", Action::kPay, "CO"},
        {"Alt+6", Action::kPay, "CR"},
        {"L", Action::kPay, "CR"},
        {"F8", Action::kOptions, {}},
        {"T", Action::kOptions, {}},
        {"Ctrl+F8", Action::kRights, {}},
    };
    return table;
}

QuickSaleScreen::QuickSaleScreen(CheckoutState& checkout, Views views)
    : checkout_(checkout), views_(std::move(views)) {}

QuickSaleScreen::~QuickSaleScreen() {
    close();
}

// ---- opening ----------------------------------------------------------------

bool QuickSaleScreen::open() {
    if (open_ || !printer_window_free(checkout_)) return false;
    if (!access::require_right(kProcedure, access::kRightAccess)) return false;
    if (blocox_blocked(false)) return false;

    std::error_code ec;
    const auto logo = data_root().program_dir() / "logo.jpg";
    logo_ = std::filesystem::is_regular_file(logo, ec) ? logo : std::filesystem::path();

    if (!open_point_of_sale() || !open_printer()) return false;
    checkout_.jan_ecf_aberta = 1;
    open_ = true;
    if (!run_recover_open_coupon(checkout_, false)) {
        close();
        return false;
    }
    session_.clear();
    checkout_.flag_desligar = 0;
    resume_open_coupon();
    if (!open_scanner()) {
        close();
        return false;
    }
    refresh_operator();
    refresh_clock();
    next_picture();
    return true;
}

bool QuickSaleScreen::open_point_of_sale() {
    LEARQAUXILIAR();
    const std::string serial = util::trim(glo::numfab);
    MaqecfRecord row;
    authorised_ = !serial.empty() && ecf::load_maqecf_by_serial(serial, row);
    session_.load_point_of_sale();
    if (!authorised_) {
        notice("ECF não configurada para número de série: " + serial + "!");
    } else {
        if (util::trim(row.situacao) == "A" && row.data_sit != today())
            notice("Data situação (" + util::br_date(row.data_sit) + ") do caixa inválida!");
        const std::string brand = util::trim(row.marca);
        port_text_ = row.porta_com == 99 ? "USB - " + brand
                                         : "Com" + std::to_string(row.porta_com) + ": " + brand;
    }
    if (read_ini_number("PDV", "Configuração OK", 0, "balcora.ini") != 1) {
        notice("IF ainda não configurada!");
        return false;
    }
    return true;
}

bool QuickSaleScreen::open_printer() {
    if (!authorised_) return true;
    ecf::Printer& printer = ecf::printer();
    if (!printer.open_port()) return false;
    port_open_ = true;
    close_documents_left_open();
    if (!printer.check_sale_state()) {
        printer.close_port();
        port_open_ = false;
        return false;
    }
    counters_ = printer.read_counters();
    return true;
}

// A coupon the printer still has open (the recovery kept it, or there is
// none yet) is carried on, provided the stored coupon is the printer's: the
// recovery that ran since leaves a coupon open only when it took nothing from
// the printer, so the counters read at the opening still name it.
void QuickSaleScreen::resume_open_coupon() {
    if (glo::cf_aberto == 0 || !counters_) return;
    const auto id = util::read_integer(LEREGISTRO("balcora", "PAF-ECF", "id_cfiscal", "0"));
    if (!id.valid || id.value <= 0) return;
    db::SqlRecord r;
    if (!db::read_row(
            "SELECT numero FROM balcora.cfiscal WHERE situacao='E' AND id_cfiscal=", id.value, r))
        return;
    if (r.integer("numero") != counters_->coo) return;
    session_.resume_coupon(id.value);
}

bool QuickSaleScreen::open_scanner() {
    const PointOfSale& pos = session_.point_of_sale();
    if (!pos.found || pos.modelo_scanner == 0) return true;
    scanner_ = std::make_unique<BarcodeScanner>();
    return scanner_->open(pos.modelo_scanner, pos.porta_com_scanner) !=
           ScannerOpening::kCloseScreen;
}

// ---- closing ----------------------------------------------------------------

bool QuickSaleScreen::request_close() {
    if (!open_ || coupon_open()) return false;
    if (checkout_.flag_desligar == 0 &&
        !prompt().confirm("Confirme", "Confirma fechar Quick Sale?"))
        return false;
    close();
    return true;
}

void QuickSaleScreen::close() {
    if (!open_) return;
    if (scanner_) scanner_->close();
    scanner_.reset();
    if (port_open_) ecf::printer().close_port();
    port_open_ = false;
    checkout_.jan_ecf_aberta = 0;
    open_ = false;
}

// ---- fields -----------------------------------------------------------------

int QuickSaleScreen::store_number() const {
    return glo::NumeroLoja;
}

std::string QuickSaleScreen::status_text() const {
    if (day_function_ == "FechaCaixa") return "FECHANDO";
    if (day_function_ == "AbreCaixa") return "ABRINDO";
    return session_.point_of_sale().day_open() ? "ABERTO" : "FECHADO";
}

int QuickSaleScreen::coupon_number() const {
    return session_.coupon().numero;
}

std::string QuickSaleScreen::operator_name() const {
    return glo::nome_operador;
}

util::Money QuickSaleScreen::coupon_total() const {
    return session_.coupon_total();
}

bool QuickSaleScreen::coupon_open() const {
    return glo::cf_aberto != 0;
}

std::string QuickSaleScreen::message_line() const {
    const PointOfSale& pos = session_.point_of_sale();
    if (!pos.found) return "ECF NÃO CONFIGURADA";
    if (day_function_ == "FechaCaixa") return "FECHAMENTO DO CAIXA EM ANDAMENTO";
    if (day_function_ == "AbreCaixa") return "ABERTURA DO CAIXA EM ANDAMENTO";
    if (coupon_open()) return checkout_.fp_iniciada ? "CUPOM EM PAGAMENTO" : "CUPOM ABERTO";
    if (completed_) return "CUPOM FINALIZADO - OBRIGADO PELA PREFERÊNCIA";
    if (!pos.day_open()) return "CAIXA FECHADO";
    return "CAIXA LIVRE";
}

void QuickSaleScreen::refresh_clock() {
    const auto t = clock().now();
    date_text_ = util::br_date(util::day_of(t));
    time_text_ = util::time_text(t);
}

// The folder is read again after its last picture, so pictures put there
// while the screen is open join the show.
bool QuickSaleScreen::next_picture() {
    if (picture_index_ >= pictures_.size()) {
        pictures_.clear();
        picture_index_ = 0;
        std::error_code ec;
        const auto folder = data_root().map("..\\figuras\\");
        for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
             it.increment(ec))
            if (it->is_regular_file(ec) && is_picture(it->path())) pictures_.push_back(it->path());
        std::sort(pictures_.begin(), pictures_.end());
    }
    if (pictures_.empty()) {
        const bool changed = !picture_.empty();
        picture_.clear();
        return changed;
    }
    picture_ = pictures_[picture_index_++];
    return true;
}

void QuickSaleScreen::refresh_operator() {
    supervisor_ = access::has_right(kProcedure, access::kRightSupervisor);
}

// ---- events -----------------------------------------------------------------

QuickSaleScreen::EnterResult QuickSaleScreen::enter() {
    const std::string code = util::trim(code_field);
    if (code.empty()) return EnterResult::kMovedOn;
    last_refused_ = true;
    if (code == "0") {
        std::optional<forms::ProductChoice> chosen;
        if (views_.product_query) chosen = views_.product_query();
        if (!chosen) {
            code_field.clear();
            return EnterResult::kRefused;
        }
        const std::string barcode = util::trim(chosen->codigo_barras);
        code_field = barcode.empty() ? util::trim(chosen->codigo) : barcode;
        last_refused_ = false;
        return EnterResult::kChosen;
    }
    util::Quantity quantity;
    if (!util::trim(quantity_field).empty()) {
        const auto q = util::parse_fixed<3>(util::trim(quantity_field));
        if (!q || q->units() < 0) {
            prompt().beep();
            notice("Quantidade inválida!");
            quantity_field.clear();
            return EnterResult::kRefused;
        }
        quantity = *q;
    }
    completed_ = false;
    switch (session_.enter_code(code, quantity)) {
        case Registration::kRegistered:
            code_field.clear();
            quantity_field.clear();
            last_refused_ = false;
            return EnterResult::kRegistered;
        case Registration::kNotFound:
            quantity_field.clear();
            break;
        case Registration::kDayClosed:
            code_field.clear();
            break;
        case Registration::kRefused:
            break;
    }
    return EnterResult::kRefused;
}

bool QuickSaleScreen::key(std::string_view key) {
    if (!open_) return false;
    for (const KeyBinding& b : key_table()) {
        if (b.key != key) continue;
        // A letter typed after other characters belongs to the code.
        if (b.key.size() == 1 && !code_field.empty()) return false;
        act(b.action, b.mode);
        return true;
    }
    return false;
}

void QuickSaleScreen::option(std::string_view code) {
    if (const auto a = action_of_code(code)) {
        act(*a);
        return;
    }
    notice("Opção inválida: " + std::string(code));
}

void QuickSaleScreen::act(Action action, std::string_view mode) {
    if (!open_) return;
    switch (action) {
        case Action::kClose:
            request_close();
            break;
        case Action::kShutDown:
            shut_down();
            break;
        case Action::kDrawer:
            ecf::printer().open_drawer();
            break;
        case Action::kProductQuery:
            product_query();
            break;
        case Action::kCancelItem:
            cancel_item();
            break;
        case Action::kFinalize:
            if (coupon_open()) finalize({});
            refresh_operator();
            break;
        case Action::kChangeOperator:
            TROCAUSUARIO();
            refresh_operator();
            break;
        case Action::kCashMovement:
            cash_movement();
            break;
        case Action::kCancelDocument:
            ecf::printer().cancel_open_document();
            break;
        case Action::kCancelCoupon:
            cancel_coupon();
            break;
        case Action::kMemoryReading:
            notice("Favor usar menu fiscal!");
            break;
        case Action::kXReading:
            x_reading();
            break;
        case Action::kOpenDay:
            day_function("AbreCaixa");
            break;
        case Action::kCloseDay:
            day_function("FechaCaixa");
            break;
        case Action::kDiscount:
            adjustment("Desc");
            break;
        case Action::kSurcharge:
            adjustment("Acre");
            break;
        case Action::kPay:
            if (coupon_open() && coupon_total().units() > 0) finalize(mode);
            break;
        case Action::kOptions: {
            const std::string code = MENUOPCOES();
            if (!code.empty()) option(code);
            break;
        }
        case Action::kRights:
            access::edit_procedure_rights(kProcedure, {"Access", "Supervisor"});
            refresh_operator();
            break;
    }
}

QuickSaleScreen::TickResult QuickSaleScreen::tick() {
    TickResult r;
    if (!open_) return r;
    r.header = std::exchange(header_changed_, false);
    // Nothing is sold while a day function holds the printer.
    if (scanner_ && scanner_->is_open() && day_function_.empty()) {
        r.codes = scanner_->poll([this](const std::string& code) {
            // What a refused entry left behind would spoil the code read.
            if (last_refused_) code_field.clear();
            code_field += code;
            enter();
        });
    }
    if (++ticks_ % kSlowTick == 0) {
        refresh_clock();
        r.clock = true;
        r.picture = next_picture();
    }
    return r;
}

// ---- actions ----------------------------------------------------------------

void QuickSaleScreen::product_query() {
    // A consultation only: the product shown stays as it was.
    if (views_.product_query) views_.product_query();
}

void QuickSaleScreen::cancel_item() {
    if (session_.tape().empty() || !coupon_open() || !views_.item_number) return;
    if (const auto number = views_.item_number()) session_.cancel_item(*number);
}

bool QuickSaleScreen::day_open_now() {
    return session_.load_point_of_sale() && session_.point_of_sale().day_open();
}

void QuickSaleScreen::cash_movement() {
    if (coupon_open() || !day_open_now()) return;
    bool changed = false;
    if (!supervisor_) {
        TROCAUSUARIO();
        refresh_operator();
        changed = true;
    }
    if (!supervisor_) return;
    run_cash_movement();
    if (changed) {
        TROCAUSUARIO();
        refresh_operator();
    }
}

void QuickSaleScreen::cancel_coupon() {
    TROCAUSUARIO();
    refresh_operator();
    if (!access::require_right(kProcedure, access::kRightSupervisor)) return;
    if (!prompt().confirm("Cancelar?", "Confirma cancelar cupom atual/anterior?")) return;
    if (run_cancel_coupon(checkout_, coupon_open(), session_.coupon_id())) show_coupon_cancelled();
}

void QuickSaleScreen::show_coupon_cancelled() {
    completed_ = false;
    session_.coupon_cancelled();
}

void QuickSaleScreen::x_reading() {
    if (coupon_open()) {
        prompt().beep();
        return;
    }
    if (!prompt().confirm("Leitura X", "Confirma emitir leitura \"X\"?")) return;
    if (!ecf::printer().x_reading()) notice("Erro ao emitir relatório X");
}

void QuickSaleScreen::day_function(std::string_view function) {
    // The window keeps drawing behind the function's messages: what it shows
    // of the day must not be the state the function is changing.
    day_function_ = function;
    header_changed_ = true;
    run_day_functions(function);
    day_function_.clear();
    // The day functions change the day state the status shows.
    session_.load_point_of_sale();
}

void QuickSaleScreen::shut_down() {
    if (coupon_open()) {
        notice("Cupom fiscal aberto!");
        return;
    }
    TROCAUSUARIO();
    refresh_operator();
    if (!access::require_right(kProcedure, access::kRightSupervisor)) return;
    if (!prompt().confirm("Confirme", "Confirma sair do sistema e desligar o computador?")) return;
    checkout_.flag_desligar = 1;
    close();
}

void QuickSaleScreen::adjustment(std::string_view mode) {
    if (!coupon_open() || coupon_total().units() <= 0) return;
    db::SqlRecord r;
    if (!db::read_rows("SELECT vl_desconto, vl_acrescimo FROM balcora.cfiscal WHERE id_cfiscal=" +
                           std::to_string(session_.coupon_id()) + ";",
                       r))
        return;
    if (!r.money("vl_desconto").is_zero() || !r.money("vl_acrescimo").is_zero()) {
        notice("Já existe acréscimo ou desconto lançado neste cupom!");
        return;
    }
    if (run_finalize_coupon(mode) == 1) session_.refresh();
}

void QuickSaleScreen::finalize(std::string_view mode) {
    if (run_finalize_coupon(mode) != 1) return;
    // The tape is rebuilt from what was stored: its total once payment has
    // begun and every payment registered.
    session_.refresh();
    complete_if_paid();
}

// The amount received reaching a total that is not zero completes the
// coupon: the tape gives way to the change.
bool QuickSaleScreen::complete_if_paid() {
    db::SqlRecord r;
    if (!db::read_row("SELECT vl_recebido, total, situacao FROM balcora.cfiscal WHERE id_cfiscal=",
                      session_.coupon_id(), r))
        return false;
    // A card payment undone after the printer had it cancels the coupon.
    if (util::trim(r.text("situacao")) == "C") {
        show_coupon_cancelled();
        return false;
    }
    const util::Money received = r.money("vl_recebido");
    const util::Money total = r.money("total");
    if (total.is_zero() || received < total) return false;
    session_.tape().clear();
    session_.tape().add(change_entry(checkout_.trocotela));
    glo::cf_aberto = 0;
    completed_ = true;
    return true;
}

}  // namespace balcora::sale
