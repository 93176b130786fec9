#include "sale/sale_session.h"

#include "db/fiscal_write.h"
#include "db/literals.h"
#include "db/query_sql.h"
#include "db/record_hash.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/cp1252.h"
#include "ecf/fiscal_printer.h"
#include "ecf/maqecf_record.h"
#include "ecf/printer_layouts.h"
#include "globals/checkout_state.h"
#include "globals/globals.h"
#include "sale/stock_date_mark.h"
#include "ui/environment.h"
#include "util/documents.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

namespace balcora::sale {

namespace {

constexpr const char* kNotice = "Aviso";
constexpr const char* kPrinterAheadText =
    "O ECF registrou o item, mas o banco de dados não o gravou.|Feche e abra a tela de venda: o "
    "cupom fiscal em aberto será cancelado no ECF e no banco de dados.";

std::string id_or_null(std::int64_t id) {
    return id == 0 ? "NULL" : std::to_string(id);
}

}  // namespace

bool unit_price_can_be_typed() {
    return registro_number("PAF-ECF", "Preco_Unitario", 0) == 1;
}

SaleSession::SaleSession(CheckoutState& checkout, SaleScreen screen)
    : checkout_(checkout), screen_(screen) {}

void SaleSession::refuse(std::string_view text) {
    prompt().beep();
    prompt().message(kNotice, text, ui::Icon::kWarning);
}

namespace {

// The printer's item record of a product sold; it refers to `p` and `code`.
ecf::ItemRecordFields item_record_fields(const Product& p, std::string_view code,
                                         util::Quantity quantity, UnitPrice price,
                                         const ItemAmounts& amounts, util::Money discount) {
    ecf::ItemRecordFields f;
    f.code = code;
    f.cest = p.cest;
    f.ncm = p.cod_ncm;
    f.description = p.descricao;
    f.unit_price = price;
    f.quantity = quantity;
    f.total = amounts.total;
    f.tax_code = p.ecf_cod_st;
    f.unit = p.unidade;
    f.discount = discount;
    f.tax_rate = p.ecf_aliquota;
    return f;
}

PointOfSale read_point_of_sale() {
    MaqecfRecord row;
    PointOfSale pos;
    if (!ecf::load_maqecf_by_serial(util::trim(glo::numfab), row)) return pos;
    pos.found = true;
    pos.id_maqecf = row.id_maqecf;
    pos.numero = row.numero;
    pos.id_empresa = row.id_empresa;
    pos.situacao = util::trim(row.situacao);
    pos.data_sit = row.data_sit;
    pos.modelo_scanner = row.modelo_scanner;
    pos.porta_com_scanner = row.porta_com_scanner;
    return pos;
}

}  // namespace

bool SaleSession::load_point_of_sale() {
    settings_ = screen_ == SaleScreen::kCouponForm ? coupon_form_lookup_settings()
                                                   : quick_sale_lookup_settings();
    pos_ = read_point_of_sale();
    return pos_.found;
}

bool SaleSession::day_is_open() {
    // The day functions may have opened or closed the day since the last
    // coupon; while a coupon is open the printer keeps the day as it is.
    if (!coupon_open()) pos_ = read_point_of_sale();
    return pos_.found && pos_.day_open();
}

void SaleSession::coupon_cancelled() {
    totals_ = {};
    coupon_total_ = {};
    tape_.add(coupon_cancelled_entry());
}

bool SaleSession::coupon_open() const {
    return glo::cf_aberto != 0 && coupon_.id_cfiscal != 0;
}

void SaleSession::clear() {
    coupon_ = {};
    items_.clear();
    totals_ = {};
    coupon_total_ = {};
    tape_.clear();
    shown_ = {};
}

bool SaleSession::validate_tax_situation(const Product& p) {
    if (p.ecf_cod_st.empty() || p.ecf_st.empty() ||
        !totaliser_code(p.ecf_st, p.ecf_cod_st, p.ecf_aliquota)) {
        refuse("Situação tributária do produto é inválida!");
        return false;
    }
    return true;
}

// The product, quantity and price of an item, checked by every screen in the
// order the operator is told about them; false after the message. The coupon
// form sells active products only.
bool SaleSession::check_item(const Product& p, std::optional<util::Quantity> quantity,
                             UnitPrice price, bool active_only) {
    if (p.id_produto == 0) {
        refuse("Produto inválido!");
        return false;
    }
    if (p.unidade.empty()) {
        refuse("Produto sem unidade cadastrada!");
        return false;
    }
    if (active_only && !p.ativo) {
        refuse("Produto inativo!");
        return false;
    }
    if (!quantity || quantity->units() < 1 || *quantity > kMaxQuantity) {
        refuse("Quantidade inválida!");
        return false;
    }
    if (price.units() < 10 || price > kMaxUnitPrice) {
        refuse("Preço do produto inválido!");
        return false;
    }
    return true;
}

// A code the lookup did not make a product of; a failed lookup has already
// shown its error.
void SaleSession::refuse_lookup(const LookupResult& found, std::string_view not_found_text) {
    switch (found.outcome) {
        case LookupResult::Outcome::kFound:
            return;
        case LookupResult::Outcome::kLookupFailed:
            prompt().beep();
            return;
        case LookupResult::Outcome::kLabelWithoutPrice:
            refuse("Preço do produto inválido!");
            return;
        case LookupResult::Outcome::kLabelProductNotFound:
            refuse("Código (" + found.code + ") do produto inexistente!");
            return;
        case LookupResult::Outcome::kNotFound:
            refuse(not_found_text);
            return;
    }
}

// What the printer is sent for an item that passed check_item(), with the tax
// situation last (it is tested before a coupon opens: a product the printer
// cannot total must not leave an empty coupon behind). Nullopt after the
// message.
std::optional<SaleSession::Prepared> SaleSession::prepare(const Product& p, util::Quantity quantity,
                                                          UnitPrice price, util::Money discount) {
    auto amounts = item_amounts(quantity, price, discount, p);
    if (!amounts) {
        refuse("Quantidade inválida!");
        return std::nullopt;
    }
    if (!validate_tax_situation(p)) return std::nullopt;
    Prepared out;
    out.amounts = *amounts;
    out.totaliser = *totaliser_code(p.ecf_st, p.ecf_cod_st, p.ecf_aliquota);
    out.code = p.printed_code();
    // Only a CEST or NCM longer than its field gets here: bad product data.
    if (!ecf::item_record(item_record_fields(p, out.code, quantity, price, *amounts, discount))) {
        refuse("Produto inválido!");
        return std::nullopt;
    }
    return out;
}

bool SaleSession::refuse_while_printer_ahead() {
    // Once the coupon is no longer open on the printer, its numbering is over.
    if (glo::cf_aberto == 0) printer_ahead_ = false;
    if (!printer_ahead_) return false;
    refuse(kPrinterAheadText);
    return true;
}

Registration SaleSession::enter_code(std::string_view code_field, util::Quantity quantity_field) {
    if (refuse_while_printer_ahead()) return Registration::kRefused;
    if (!day_is_open()) {
        refuse("Caixa não esta aberto!");
        return Registration::kDayClosed;
    }
    if (!coupon_open()) clear();
    const CodeEntry entry = split_quantity_prefix(code_field);
    if (entry.code.empty()) {
        refuse("Produto inválido!");
        return Registration::kRefused;
    }
    const LookupResult found = look_up(entry.code, LookupOrder::kQuickSale, settings_);
    if (found.outcome != LookupResult::Outcome::kFound) {
        const bool unknown = found.outcome == LookupResult::Outcome::kNotFound ||
                             found.outcome == LookupResult::Outcome::kLabelProductNotFound;
        // An unknown code leaves nothing of the last item on show.
        if (unknown) shown_ = {};
        refuse_lookup(found, "Código do produto inexistente!");
        return unknown ? Registration::kNotFound : Registration::kRefused;
    }

    // A prefix or the quantity field counts units of what the code stands
    // for: three six-packs are eighteen cans, two equal labels twice the weight.
    std::optional<util::Quantity> quantity;
    bool readable = true;
    if (entry.has_prefix) {
        quantity = entry.quantity;
        readable = quantity.has_value();
    } else if (!quantity_field.is_zero()) {
        quantity = quantity_field;
    }
    if (readable && found.code_quantity) {
        quantity = quantity
                       ? util::truncate_to<3>(util::exact_product(*quantity, *found.code_quantity))
                       : found.code_quantity;
    }
    if (readable && !quantity) quantity = util::Quantity::from_whole(1);

    const Product& p = found.product;
    const UnitPrice price = p.preco_venda1;
    // A quantity that will be refused (negative, zero, too large) never
    // reaches the product panel: it keeps what it showed.
    if (quantity && quantity->units() >= 1 && *quantity <= kMaxQuantity)
        shown_ = {true, p, *quantity, price,
                  util::item_total(*quantity, price).value_or(util::Money{})};

    if (!check_item(p, quantity, price, false)) return Registration::kRefused;
    auto prepared = prepare(p, *quantity, price, {});
    if (!prepared) return Registration::kRefused;
    if (!coupon_open() && !open_coupon()) return Registration::kRefused;
    return register_item({p, *quantity, price, {}}, *prepared) ? Registration::kRegistered
                                                               : Registration::kRefused;
}

std::optional<FormLine> SaleSession::look_up_form_item(std::string_view code) {
    const LookupResult found = look_up(code, LookupOrder::kCouponForm, settings_);
    if (found.outcome != LookupResult::Outcome::kFound) {
        refuse_lookup(found, util::trim(code).empty() ? "Produto inválido!"
                                                      : "Código do produto inexistente!");
        return std::nullopt;
    }
    return FormLine{found.product, found.code_quantity.value_or(util::Quantity::from_whole(1)),
                    found.product.price(settings_.price_table)};
}

Registration SaleSession::confirm_form_item(const FormItemEntry& entry) {
    if (refuse_while_printer_ahead()) return Registration::kRefused;
    if (header_.invoice_registration) {
        const util::DayNumber coupon_day = coupon_open() ? coupon_.data : pos_.data_sit;
        if (header_.numero_nf <= 0 || util::trim(header_.serie_nf).empty() ||
            header_.dt_emissao_nf <= 0 || header_.dt_emissao_nf > coupon_day) {
            refuse("Data de Emissão da Nota Fiscal Inválida!");
            return Registration::kRefused;
        }
    }
    if (!day_is_open()) {
        refuse("Caixa não esta aberto!");
        return Registration::kDayClosed;
    }
    if (util::trim(entry.code).empty()) {
        refuse("Produto inválido!");
        return Registration::kRefused;
    }
    auto line = look_up_form_item(entry.code);
    if (!line) return Registration::kNotFound;
    const Product& p = line->product;
    const util::Quantity quantity = entry.quantity;
    const UnitPrice table = line->table_price;
    if (!check_item(p, quantity, table, true)) return Registration::kRefused;
    const UnitPrice typed = entry.typed_price.value_or(table);
    if (typed.units() < 10 || typed > table) {
        refuse("Preço unitário inválido!|Preço Pauta: " + price_text(table));
        return Registration::kRefused;
    }
    const FormItemAmounts form =
        form_item_amounts({table, quantity, typed, entry.discount_percent, entry.discount_value});
    if (form.discount_invalid) {
        refuse("Desconto inválido!");
        return Registration::kRefused;
    }
    auto prepared = prepare(p, quantity, table, form.discount);
    if (!prepared) return Registration::kRefused;
    if (!coupon_open() && !open_coupon()) return Registration::kRefused;
    return register_item({p, quantity, table, form.discount}, *prepared) ? Registration::kRegistered
                                                                         : Registration::kRefused;
}

bool SaleSession::set_header(const CouponHeader& header) {
    if (coupon_open() && screen_ == SaleScreen::kCouponForm &&
        (header.id_cliente != coupon_.id_cliente || header.id_vendedor != coupon_.id_vendedor ||
         util::trim(header.forma_pag_com) != util::trim(header_.forma_pag_com))) {
        if (!db::execute("UPDATE balcora.cfiscal SET id_cliente=" + id_or_null(header.id_cliente) +
                         ", id_vendedor=" + id_or_null(header.id_vendedor) +
                         ", forma_pag_com=" + TXTSQL(util::trim(header.forma_pag_com), true) +
                         " WHERE id_cfiscal=" + std::to_string(coupon_.id_cfiscal) + ";"))
            return false;
        coupon_.id_cliente = header.id_cliente;
        coupon_.id_vendedor = header.id_vendedor;
    }
    header_ = header;
    return true;
}

bool SaleSession::customer_document(std::string& cgcpf) {
    db::SqlRecord r;
    if (!db::read_rows("SELECT pesso, cgcpf FROM balcora.cliente WHERE id_cliente=" +
                           std::to_string(header_.id_cliente) + ";",
                       r))
        return false;
    if (!r.has_row()) return true;
    cgcpf = util::trim(r.text("cgcpf"));
    if (cgcpf.empty()) return true;
    const auto pesso = r.integer("pesso");
    if (pesso == 1 && !CNPJ(cgcpf)) {
        prompt().beep();
        prompt().message("Erro", "Cliente com CNPJ inválido!", ui::Icon::kError);
        return false;
    }
    if (pesso == 2 && !CPF(cgcpf)) {
        prompt().beep();
        prompt().message("Erro", "Cliente com CPF inválido!", ui::Icon::kError);
        return false;
    }
    return true;
}

bool SaleSession::open_coupon() {
    checkout_.fp_iniciada = 0;
    ecf::Printer& printer = ecf::printer();
    if (!printer.check_sale_state() || !printer.check_printer()) return false;

    OpenCoupon c;
    c.data = pos_.data_sit;
    if (screen_ == SaleScreen::kCouponForm) {
        c.id_cliente = header_.id_cliente;
        c.id_vendedor = header_.id_vendedor;
    }
    std::string cgcpf;
    if (c.id_cliente != 0 && !customer_document(cgcpf)) return false;
    const auto counters = printer.read_counters();
    if (!counters) return false;
    c.num_cro = counters->cro;
    c.numero = counters->coo + 1;
    c.num_ccf = counters->ccf + 1;

    const bool form = screen_ == SaleScreen::kCouponForm;
    // The issue date and time of one reading of the clock, not two.
    const platform::LocalTime now = clock().now();
    const std::string insert =
        "INSERT INTO balcora.cfiscal (id_empresa, id_maqecf, num_cro, numero, data, id_cliente, "
        "vl_acrescimo, vl_desconto, total, situacao, op_emissao, comissao, forma_pag_com, "
        "id_vendedor, vl_recebido, num_ccf, dt_emissao_final, hr_emissao_final, serie_nf, "
        "numero_nf, dt_emissao_nf) VALUES (" +
        id_or_null(pos_.id_empresa) + ", " + std::to_string(pos_.id_maqecf) + ", " +
        std::to_string(c.num_cro) + ", " + std::to_string(c.numero) + ", " + DTSQL(c.data) + ", " +
        id_or_null(c.id_cliente) + ", 0, 0, 0, 'E', " +
        TXTSQL(util::trim_right(ecf::fit(util::trim(glo::nome_operador), 20)), true) + ", 0, " +
        TXTSQL(form ? util::trim(header_.forma_pag_com) : "", true) + ", " +
        id_or_null(c.id_vendedor) + ", 0, " + std::to_string(c.num_ccf) + ", " +
        DTSQL(util::day_of(now)) + ", " + TXTSQL(util::time_text(now)) + ", " +
        TXTSQL(form ? util::trim(header_.serie_nf) : "", true) + ", " +
        id_or_null(form ? header_.numero_nf : 0) + ", " + DTSQL(form ? header_.dt_emissao_nf : 0) +
        ");";

    bool printer_asked = false, printer_refused = false;
    const std::int64_t id = db::write_fiscal_row("cfiscal", insert, [&](std::int64_t new_id) {
        if (!GRAVAREGISTRO("balcora", "PAF-ECF", "id_cfiscal", std::to_string(new_id)) ||
            !GRAVADATAESTOQUE(c.data))
            return false;
        printer_asked = true;
        printer_refused = !printer.open_coupon(cgcpf);
        return !printer_refused;
    });
    if (id == 0) {
        if (printer_refused) prompt().beep();
        // The printer opened the coupon but the database did not keep its
        // row (the commit failed, the connection was lost): the coupon state
        // is read again, so the checkout's flag says what the printer says,
        // and the recovery at the next opening of the sale settles the coupon
        // left open.
        if (printer_asked && !printer_refused) printer.read_coupon_state();
        coupon_ = {};
        return false;
    }
    c.id_cfiscal = id;
    coupon_ = c;
    items_.clear();
    totals_ = {};
    coupon_total_ = {};
    tape_.clear();
    glo::cf_aberto = 1;
    return true;
}

std::optional<SaleSession::Snapshot> SaleSession::store_totals() {
    auto items = load_coupon_items(coupon_.id_cfiscal);
    if (!items) return std::nullopt;
    Snapshot s{std::move(*items), {}};
    s.totals = coupon_totals(s.items);
    if (!write_coupon_totals(coupon_.id_cfiscal, s.totals)) return std::nullopt;
    return s;
}

void SaleSession::adopt(Snapshot snapshot) {
    items_ = std::move(snapshot.items);
    totals_ = snapshot.totals;
    coupon_total_ = totals_.total;
    TapeSource source;
    source.items = items_;
    source.total = totals_.total;
    tape_ = CouponTape::build(source);
}

// The items in hand are every item of the coupon, cancelled ones included,
// in number order: the session reads them back after every change.
int SaleSession::next_item_number() const {
    return items_.empty() ? 1 : items_.back().num_item + 1;
}

namespace {

// The statements of an item, prepared once per connection. The seller's
// commission is read by the insert itself, inside the transaction, from the
// coupon row as it is now.
constexpr const char* kItemInsert =
    "INSERT INTO balcora.cfiscald (id_cfiscal, num_item, id_produto, preco, qtdade, total, "
    "vl_acrescimo, vl_desconto, st, aliquota, vl_base, vl_imposto, item_cancelado, comissao, "
    "descricao, unidade, totalizador, vl_pis, vl_cofins, vl_trib_fed, vl_trib_est, vl_trib_mun) "
    "VALUES ($1, $2, $3, $4, $5, $6, 0, $7, $8, $9, $10, $11, 0, coalesce((SELECT CASE "
    "v.origem_com WHEN 1 THEN v.taxa_com WHEN 2 THEN $12::numeric ELSE 0 END FROM "
    "balcora.cfiscal c JOIN balcora.vendedor v ON v.id_vendedor=c.id_vendedor WHERE "
    "c.id_cfiscal=$1), 0), $13, $14, $15, $16, $17, $18, $19, $20)";
constexpr const char* kNewItem = "(SELECT currval('balcora.cfiscald_id_cfiscald_seq'))";

}  // namespace

bool SaleSession::register_item(const Sale& sale, const Prepared& prepared) {
    const Product& p = sale.product;
    const ItemAmounts& a = prepared.amounts;
    const std::string coupon = std::to_string(coupon_.id_cfiscal);
    using util::to_plain;
    // Built each time: cheap beside the round trip, and always from the
    // hash expressions in force.
    const std::string item_hash =
        "update balcora.cfiscald set hash=" + db::hash_expression("cfiscald") +
        " where id_cfiscald=" + std::string(kNewItem);
    const std::string totals = coupon_totals_statement();
    const std::string coupon_hash = coupon_hash_statement();
    const std::string read_back = coupon_item_select(
        "d.id_cfiscald=" + std::string(kNewItem),
        "(SELECT total FROM balcora.cfiscal WHERE id_cfiscal=$1) AS coupon_total, (SELECT "
        "comissao FROM balcora.cfiscal WHERE id_cfiscal=$1) AS coupon_comissao");

    // BEGIN, the row, its hash, the coupon's totals with their hash and the
    // row read back travel in one round trip.
    const std::vector<db::PgConnection::Call> calls = {
        {"balcora_begin", "BEGIN", {}},
        {"balcora_item_insert",
         kItemInsert,
         {coupon,
          std::to_string(next_item_number()),
          std::to_string(p.id_produto),
          to_plain(sale.price),
          to_plain(sale.quantity),
          to_plain(a.total),
          to_plain(a.vl_desconto),
          util::to_upper_ascii(p.ecf_st),
          to_plain(p.ecf_aliquota),
          to_plain(a.vl_base),
          to_plain(a.vl_imposto),
          to_plain(p.taxa_comissao),
          p.descricao,
          p.unidade,
          prepared.totaliser,
          to_plain(a.vl_pis),
          to_plain(a.vl_cofins),
          to_plain(a.vl_trib_fed),
          to_plain(a.vl_trib_est),
          to_plain(a.vl_trib_mun)}},
        {"balcora_item_hash", item_hash, {}},
        {"balcora_coupon_totals", totals, {coupon}},
        {"balcora_coupon_hash", coupon_hash, {coupon}},
        {"balcora_item_read_back", read_back, {coupon}},
    };
    const ecf::SaleItem item{
        item_record_fields(p, prepared.code, sale.quantity, sale.price, a, sale.discount),
        util::Money{}, p.iat, prepared.code};

    db::Transaction tx{db::Transaction::BegunByCaller{}};
    auto written = db::run_pipeline(calls, db::report_for_table("cfiscald"));
    if (!written || written->back().rows() != 1) return false;
    db::SqlRecord row;
    row.load(std::move(written->back()));
    Snapshot snapshot{items_, {}};
    snapshot.items.push_back(read_coupon_item(row));
    snapshot.totals.total = row.money("coupon_total");
    snapshot.totals.comissao = row.money("coupon_comissao");
    if (!ecf::printer().sell_item(item)) {
        prompt().beep();
        return false;
    }
    if (!tx.commit()) {
        printer_ahead_ = true;
        refuse(kPrinterAheadText);
        return false;
    }
    adopt(std::move(snapshot));
    return true;
}

bool SaleSession::cancel_item(int num_item) {
    return cancel(num_item, true);
}

bool SaleSession::cancel_selected_item(std::optional<int> num_item) {
    if (!coupon_open()) return false;
    if (!num_item) {
        refuse("Selecione o item a ser cancelado!");
        return false;
    }
    return cancel(*num_item, false);
}

bool SaleSession::cancel(int num_item, bool quick_sale) {
    if (!coupon_open()) return false;
    const std::string number = std::to_string(num_item);
    db::SqlRecord r;
    if (!db::read_rows(
            "SELECT id_cfiscald, item_cancelado FROM balcora.cfiscald WHERE id_cfiscal=" +
                std::to_string(coupon_.id_cfiscal) + " AND num_item=" + number + ";",
            r))
        return false;
    if (!r.has_row()) {
        refuse("Número do item inválido.");
        return false;
    }
    if (r.integer("item_cancelado") != 0) {
        refuse(quick_sale ? "Item # " + number + " já foi cancelado!" : "Item já foi cancelado!");
        return false;
    }
    const std::string id(r.text("id_cfiscald"));
    if (!prompt().confirm(quick_sale ? "Confirme" : "CONFIRME?",
                          "Confirma cancelar o item nº " + number + "?"))
        return false;

    db::Transaction tx;
    if (!tx.begun()) return false;
    if (!db::run_sql("UPDATE balcora.cfiscald SET item_cancelado=1 WHERE id_cfiscald=" + id +
                         "; update balcora.cfiscald set hash=" + db::hash_expression("cfiscald") +
                         " where id_cfiscald=" + id + ";",
                     db::report_for_table("cfiscald")))
        return false;
    auto snapshot = store_totals();
    if (!snapshot) return false;
    if (!ecf::printer().cancel_item(num_item)) {
        prompt().beep();
        return false;
    }
    if (!tx.commit()) return false;
    adopt(std::move(*snapshot));
    return true;
}

bool SaleSession::resume_coupon(std::int64_t id_cfiscal) {
    db::SqlRecord r;
    if (!db::read_row("SELECT numero, num_ccf, num_cro, data, id_cliente, id_vendedor FROM "
                      "balcora.cfiscal WHERE id_cfiscal=",
                      id_cfiscal, r))
        return false;
    OpenCoupon c;
    c.id_cfiscal = id_cfiscal;
    c.numero = static_cast<std::int32_t>(r.integer("numero"));
    c.num_ccf = static_cast<std::int32_t>(r.integer("num_ccf"));
    c.num_cro = static_cast<std::int32_t>(r.integer("num_cro"));
    c.data = r.day("data");
    c.id_cliente = static_cast<std::int32_t>(r.integer("id_cliente"));
    c.id_vendedor = static_cast<std::int32_t>(r.integer("id_vendedor"));
    coupon_ = c;
    return refresh();
}

bool SaleSession::refresh() {
    if (coupon_.id_cfiscal == 0) {
        clear();
        return true;
    }
    const std::string id = std::to_string(coupon_.id_cfiscal);
    auto items = load_coupon_items(coupon_.id_cfiscal);
    db::SqlRecord r;
    if (!items || !db::read_rows("SELECT vl_desconto, vl_acrescimo FROM balcora.cfiscal WHERE "
                                 "id_cfiscal=" +
                                     id + ";",
                                 r))
        return false;
    TapeSource source;
    source.vl_desconto = r.money("vl_desconto");
    source.vl_acrescimo = r.money("vl_acrescimo");
    source.payment_started = checkout_.fp_iniciada != 0;
    if (source.payment_started) {
        if (!db::read_rows("SELECT tipo, valor FROM balcora.cfiscalfp WHERE id_cfiscal=" + id +
                               " AND coalesce(cancelada, 0)=0 ORDER BY ordem, id_cfiscalfp;",
                           r))
            return false;
        for (bool more = r.has_row(); more; more = r.next())
            source.payments.push_back({util::trim(r.text("tipo")), r.money("valor")});
    }
    items_ = std::move(*items);
    totals_ = coupon_totals(items_);
    source.items = items_;
    // The coupon's total, after its discount or surcharge.
    source.total = totals_.total + source.vl_acrescimo - source.vl_desconto;
    coupon_total_ = source.total;
    tape_ = CouponTape::build(source);
    return true;
}

}  // namespace balcora::sale
