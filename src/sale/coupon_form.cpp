#include "sale/coupon_form.h"

#include "db/fiscal_write.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "sale/called_procedures.h"
#include "ui/environment.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::sale {

namespace {

constexpr const char* kCommissionRule =
    "Forma de pagto da comissão não pode ser diferente de:|F - Faturamento ou |R - Recebimento "
    "ou |M - 50% no Recebimento e 50% no Faturamento";

std::int32_t positive_id(const std::string& text) {
    const auto n = util::read_integer(util::trim(text));
    return n.valid && n.value > 0 && n.value <= INT32_MAX ? static_cast<std::int32_t>(n.value) : 0;
}

std::string number_text(std::string_view stored) {
    const auto n = util::read_integer(stored);
    return n.valid && n.value != 0 ? std::to_string(n.value) : std::string();
}

template <int P>
std::optional<util::Fixed<P>> typed_amount(const std::string& text) {
    const std::string t = util::trim(text);
    if (t.empty()) return std::nullopt;
    return util::parse_fixed_truncated<P>(t);
}

}  // namespace

CouponFormScreen::CouponFormScreen(CheckoutState& checkout, Views views)
    : views_(std::move(views)), session_(checkout, SaleScreen::kCouponForm) {}

bool CouponFormScreen::open(const CouponFormStart& start) {
    mode_ = start.mode;
    invoice_registration_ = start.invoice_registration && mode_ == CouponFormMode::kInsert;
    confirm_auto_ = read_ini("BALCORA", "Confirma Auto", "0", kSettingsFile) == "1";
    header = {};
    clear_entry();
    if (read_only()) return load_coupon(start.id_cfiscal);

    session_.load_point_of_sale();
    header.data = util::br_date(session_.point_of_sale().data_sit);
    if (invoice_registration_) preset_invoice();
    return store_header();
}

// ---- the coupon shown ---------------------------------------------------------

bool CouponFormScreen::load_coupon(std::int64_t id) {
    db::SqlRecord r;
    if (!db::read_rows("SELECT id_cfiscal, data, hr_emissao_final, numero, num_ccf, num_cro, "
                       "id_cliente, id_vendedor, comissao, forma_pag_com, numero_nf, serie_nf, "
                       "dt_emissao_nf FROM balcora.cfiscal WHERE id_cfiscal=" +
                           std::to_string(id) + ";",
                       r))
        return false;
    if (!r.has_row()) {
        prompt().message("Aviso", "Cupom fiscal não encontrado!", ui::Icon::kWarning);
        return false;
    }
    header.id_cfiscal = id;
    header.data = util::br_date(r.day("data"));
    header.hora = util::trim(r.text("hr_emissao_final"));
    header.coo = number_text(r.text("numero"));
    header.ccf = number_text(r.text("num_ccf"));
    header.cro = number_text(r.text("num_cro"));
    const std::int32_t customer = positive_id(std::string(r.text("id_cliente")));
    const std::int32_t seller = positive_id(std::string(r.text("id_vendedor")));
    const std::string rate = util::to_br(r.money("comissao"));
    const std::string form = util::trim(r.text("forma_pag_com"));
    header.numero_nf = number_text(r.text("numero_nf"));
    header.serie_nf = util::trim(r.text("serie_nf"));
    header.dt_emissao_nf = util::br_date(r.day("dt_emissao_nf"));
    if (customer) load_customer(customer);
    if (seller) load_seller(seller);
    // The coupon's own commission, weighted over its items, and its form.
    header.commission_rate = rate;
    header.commission_form = form;

    auto items = load_coupon_items(id);
    if (!items) return false;
    shown_items_ = std::move(*items);
    shown_total_ = coupon_totals(shown_items_).total;
    return true;
}

void CouponFormScreen::show_coupon_numbers() {
    if (!session_.coupon_open()) return;
    const OpenCoupon& c = session_.coupon();
    if (header.id_cfiscal == c.id_cfiscal) return;
    header.id_cfiscal = c.id_cfiscal;
    header.data = util::br_date(c.data);
    header.coo = std::to_string(c.numero);
    header.ccf = std::to_string(c.num_ccf);
    header.cro = std::to_string(c.num_cro);
    db::SqlRecord r;
    if (db::read_rows("SELECT hr_emissao_final FROM balcora.cfiscal WHERE id_cfiscal=" +
                          std::to_string(c.id_cfiscal) + ";",
                      r))
        header.hora = util::trim(r.text("hr_emissao_final"));
}

const std::vector<CouponItem>& CouponFormScreen::items() const {
    return read_only() ? shown_items_ : session_.items();
}

util::Money CouponFormScreen::total() const {
    return read_only() ? shown_total_ : session_.totals().total;
}

// ---- header -------------------------------------------------------------------

// The invoice follows the company's last one: next number, same series, and
// the coupon's own date.
void CouponFormScreen::preset_invoice() {
    std::int32_t company = session_.point_of_sale().id_empresa;
    if (company == 0) company = glo::id_empresa;
    const std::string where = "WHERE id_empresa=" + std::to_string(company);
    db::SqlRecord r;
    if (db::read_rows(
            "SELECT coalesce(max(numero), 0) + 1 AS next_numero FROM balcora.nf " + where + ";", r))
        header.numero_nf = number_text(r.text("next_numero"));
    if (db::read_rows("SELECT serie FROM balcora.nf " + where +
                          " ORDER BY dt_emissao DESC NULLS LAST, id_nf DESC LIMIT 1;",
                      r))
        header.serie_nf = util::trim(r.text("serie"));
    header.dt_emissao_nf = header.data;
}

CouponHeader CouponFormScreen::session_header() const {
    CouponHeader h;
    h.id_cliente = positive_id(header.customer_code);
    h.id_vendedor = positive_id(header.seller_code);
    h.forma_pag_com = util::trim(header.commission_form);
    h.invoice_registration = invoice_registration_;
    h.numero_nf = positive_id(header.numero_nf);
    h.serie_nf = util::trim(header.serie_nf);
    h.dt_emissao_nf = util::parse_br_date(util::trim(header.dt_emissao_nf));
    return h;
}

bool CouponFormScreen::store_header() {
    return read_only() || session_.set_header(session_header());
}

bool CouponFormScreen::load_customer(std::int32_t id) {
    db::SqlRecord r;
    if (!db::read_row("SELECT c.id_cliente, coalesce(nullif(trim(c.razao), ''), c.nome) AS name, "
                      "c.cgcpf, c.ender, m.nome AS municipality, "
                      "coalesce(nullif(trim(m.estado), ''), c.uf) AS uf FROM "
                      "balcora.cliente c LEFT JOIN balcora.municipio m ON "
                      "m.id_municipio=c.id_municipio WHERE coalesce(c.ativo, 1)<>0 AND "
                      "c.id_cliente=",
                      id, r))
        return false;
    header.customer_code = std::to_string(id);
    header.customer_name = util::trim(r.text("name"));
    header.cgcpf = util::trim(r.text("cgcpf"));
    header.address = util::trim(r.text("ender"));
    header.municipality = util::trim(r.text("municipality"));
    header.uf = util::trim(r.text("uf"));
    return true;
}

bool CouponFormScreen::load_seller(std::int32_t id) {
    db::SqlRecord r;
    if (!db::read_row("SELECT nome, taxa_com, forma_pag FROM balcora.vendedor WHERE "
                      "coalesce(ativo, 1)<>0 AND id_vendedor=",
                      id, r))
        return false;
    header.seller_code = std::to_string(id);
    header.seller_name = util::trim(r.text("nome"));
    header.commission_rate = util::to_br(r.money("taxa_com"));
    header.commission_form = util::to_upper_ascii(util::trim(r.text("forma_pag")));
    return true;
}

bool CouponFormScreen::find_typed_or_chosen(
    const std::string& code, bool (CouponFormScreen::*load)(std::int32_t),
    const std::function<std::optional<std::int32_t>()>& choose) {
    const std::int32_t typed = positive_id(code);
    if (typed != 0 && (this->*load)(typed)) return true;
    if (util::trim(code).empty()) return false;
    const auto chosen = choose ? choose() : std::nullopt;
    return chosen && (this->*load)(*chosen);
}

bool CouponFormScreen::customer_code_entered() {
    if (read_only()) return true;
    const bool asked = !util::trim(header.customer_code).empty();
    const bool found = find_typed_or_chosen(header.customer_code, &CouponFormScreen::load_customer,
                                            views_.choose_customer);
    if (!found) {
        header.customer_code.clear();
        header.customer_name.clear();
        header.cgcpf.clear();
        header.address.clear();
        header.municipality.clear();
        header.uf.clear();
    }
    return store_header() && (found || !asked);
}

bool CouponFormScreen::seller_code_entered() {
    if (read_only()) return true;
    if (!find_typed_or_chosen(header.seller_code, &CouponFormScreen::load_seller,
                              views_.choose_seller)) {
        header.seller_code.clear();
        header.seller_name.clear();
        header.commission_rate.clear();
    }
    return store_header();
}

bool CouponFormScreen::commission_form_entered() {
    if (read_only()) return true;
    const std::string v = util::to_upper_ascii(util::trim(header.commission_form));
    if (!v.empty() && v != "F" && v != "R" && v != "M") {
        prompt().message("ATENÇÃO", kCommissionRule, ui::Icon::kWarning);
        return false;
    }
    header.commission_form = v;
    return store_header();
}

// ---- entry line ---------------------------------------------------------------

void CouponFormScreen::clear_entry() {
    entry = {};
    line_.reset();
    amounts_ = {};
}

bool CouponFormScreen::unit_price_editable() const {
    return !read_only() && unit_price_can_be_typed();
}

std::optional<UnitPrice> CouponFormScreen::typed_price() const {
    if (!line_) return std::nullopt;
    if (!unit_price_editable()) return line_->table_price;
    // An unreadable price counts as none, which registration refuses.
    return typed_amount<3>(entry.unit_price).value_or(UnitPrice{});
}

void CouponFormScreen::recompute() {
    if (!line_) {
        amounts_ = {};
        return;
    }
    const util::Quantity quantity = typed_amount<3>(entry.quantity).value_or(util::Quantity{});
    FormItemInput in;
    in.table_price = line_->table_price;
    in.quantity = quantity;
    in.typed_price = typed_price().value_or(line_->table_price);
    in.discount_percent = typed_amount<2>(entry.discount_percent);
    in.discount_value = typed_amount<2>(entry.discount_value).value_or(util::Money{});
    amounts_ = form_item_amounts(in);
    if (!amounts_.discount_fields_enabled) {
        entry.discount_percent.clear();
        entry.discount_value.clear();
    } else if (amounts_.discount_value_locked || amounts_.discount_invalid) {
        entry.discount_value = util::to_br(amounts_.discount);
    }
    entry.total = util::to_br(amounts_.total);
}

bool CouponFormScreen::code_entered() {
    if (read_only()) return false;
    const std::string code = util::trim(entry.code);
    if (code.empty()) {
        clear_entry();
        return false;
    }
    auto line = session_.look_up_form_item(code);
    if (!line) {
        clear_entry();
        entry.code = code;
        return false;
    }
    line_ = line;
    entry.code = code;
    entry.description = line->product.descricao;
    entry.unit = line->product.unidade;
    entry.quantity = util::to_br(line->quantity);
    entry.unit_price = price_text(line->table_price);
    entry.discount_percent.clear();
    entry.discount_value.clear();
    recompute();
    if (confirm_auto_) return confirm_item() == Registration::kRegistered;
    return true;
}

bool CouponFormScreen::description_entered() {
    if (read_only() || !views_.product_query) return false;
    const std::string description = util::trim(entry.description);
    const auto chosen = views_.product_query(
        description.empty() ? std::nullopt : std::optional<std::string>(description));
    if (!chosen) return false;
    const std::string barcode = util::trim(chosen->codigo_barras);
    entry.code = barcode.empty() ? util::trim(chosen->codigo) : barcode;
    return code_entered();
}

void CouponFormScreen::quantity_entered() {
    recompute();
}

void CouponFormScreen::unit_price_entered() {
    recompute();
}

void CouponFormScreen::discount_entered() {
    recompute();
    if (amounts_.discount_invalid) {
        prompt().beep();
        prompt().message("Aviso", "Desconto inválido!", ui::Icon::kWarning);
    }
}

void CouponFormScreen::total_entered() {
    if (!line_) return;
    const auto total = typed_amount<2>(entry.total);
    const UnitPrice price = typed_price().value_or(line_->table_price);
    if (total) {
        if (const auto q = quantity_for_total(*total, price)) entry.quantity = util::to_br(*q);
    }
    recompute();
}

Registration CouponFormScreen::confirm_item() {
    if (read_only()) return Registration::kRefused;
    if (!store_header()) return Registration::kRefused;
    FormItemEntry e;
    e.code = util::trim(entry.code);
    e.quantity = typed_amount<3>(entry.quantity).value_or(util::Quantity{});
    if (unit_price_editable()) e.typed_price = typed_price();
    e.discount_percent = typed_amount<2>(entry.discount_percent);
    e.discount_value = typed_amount<2>(entry.discount_value).value_or(util::Money{});
    const Registration r = session_.confirm_form_item(e);
    if (r == Registration::kRegistered) {
        clear_entry();
        show_coupon_numbers();
    }
    return r;
}

bool CouponFormScreen::cancel_item(std::optional<int> num_item) {
    if (read_only()) return false;
    return session_.cancel_selected_item(num_item);
}

bool CouponFormScreen::finalize() {
    if (read_only() || !session_.coupon_open()) return false;
    if (run_finalize_coupon("") != 1) return false;
    // The invoice fields go back to the row as they stand, blanks as NULL.
    const CouponHeader h = session_header();
    const std::int64_t id = session_.coupon_id();
    {
        db::Transaction tx;
        if (!tx.begun() ||
            !db::execute("UPDATE balcora.cfiscal SET numero_nf=" +
                         (h.numero_nf ? std::to_string(h.numero_nf) : std::string("NULL")) +
                         ", serie_nf=" + TXTSQL(h.serie_nf, true) +
                         ", dt_emissao_nf=" + DTSQL(h.dt_emissao_nf) +
                         " WHERE id_cfiscal=" + std::to_string(id) + ";") ||
            !db::store_hash("cfiscal", id) || !tx.commit())
            return false;
    }
    session_.refresh();
    return true;
}

void CouponFormScreen::set_confirm_auto(bool on) {
    confirm_auto_ = on;
    if (!write_ini("BALCORA", "Confirma Auto", on ? "1" : "0", kSettingsFile))
        prompt().message("Erro",
                         "Erro ao gravar o arquivo " + data_root().map(kSettingsFile).string(),
                         ui::Icon::kError);
}

bool CouponFormScreen::may_close() {
    if (read_only() || !session_.coupon_open()) return true;
    return prompt().confirm("Confirme",
                            "Cupom fiscal aberto!|Fechar a janela mesmo assim? O cupom continua "
                            "aberto na impressora.");
}

}  // namespace balcora::sale
