#pragma once

#include "globals/checkout_state.h"
#include "sale/coupon_items.h"
#include "sale/coupon_tape.h"
#include "sale/item_amounts.h"
#include "sale/product_lookup.h"
#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The sale both screens share: the point of sale's printer row, the open
// coupon, its items, totals and tape, and the operations that change them
// (registering an item, which opens the coupon on the first one, and
// cancelling an item). Plain C++: the Quick Sale and the coupon form bind their
// fields to it and call it from their event handlers.
//
// Every operation shows its own messages and beeps through the prompt port and
// returns what happened; the screen only moves the focus and refreshes its
// fields. Every fiscal write is one transaction whose last step is the printer
// command; when the printer refuses, nothing of it stays in the database and
// the session is as it was (the driver has told the operator why).
//
// Typical use, Quick Sale:
//
//     sale::SaleSession s(sale::SaleScreen::kQuickSale);
//     s.load_point_of_sale();                    // on opening (the screen shows
//                                                // "ECF não configurada..." when false)
//     auto r = s.enter_code(code_field, quantity_field);   // Enter in the code field
//     // not_found: clear the quantity field; day_closed: clear the code field;
//     // anything but registered: focus back to the code field.
//     view.show(s.tape().entries(), s.totals().total, s.shown());
//     s.cancel_item(number_typed);               // F3, after "Número do Item:"
//     // The scanner (sale/barcode_scanner.h, opened with point_of_sale()'s
//     // modelo_scanner and porta_com_scanner) hands its codes to enter_code.
//
// Coupon form:
//
//     sale::SaleSession s(sale::SaleScreen::kCouponForm);
//     s.load_point_of_sale();
//     s.set_header({.id_cliente = ..., .id_vendedor = ...});   // before the first item
//     auto line = s.look_up_form_item(code_field);             // fills the entry line
//     FormItemAmounts a = form_item_amounts({...});            // on every field change
//     // (the unit price field is editable when unit_price_can_be_typed())
//     s.confirm_form_item({...});                              // "&Confirma Item"
//     s.cancel_selected_item(selected_row_num_item);           // F3 / Enter on a row
//
// After payment and closing (another module) set glo::cf_aberto to 0, the
// next code entered starts a new coupon.
namespace balcora::sale {

enum class SaleScreen { kQuickSale, kCouponForm };

// The printer row (maqecf) of the authorised printer, glo::numfab.
struct PointOfSale {
    bool found = false;
    std::int32_t id_maqecf = 0;
    std::int32_t numero = 0;  // point-of-sale number the screen shows
    std::int32_t id_empresa = 0;
    std::string situacao;  // "A" day open, "F" closed
    util::DayNumber data_sit = 0;
    std::int32_t modelo_scanner = 0;
    std::int32_t porta_com_scanner = 0;
    bool day_open() const { return situacao == "A"; }
};

// The coupon form's header fields that go into the coupon row when the first
// item opens it. Zero ids are stored as NULL.
struct CouponHeader {
    std::int32_t id_cliente = 0;
    std::int32_t id_vendedor = 0;
    std::string forma_pag_com;  // F, R or M
    // "&Registro NF": the invoice fields must be filled, and the issue date
    // may not be after the coupon's day.
    bool invoice_registration = false;
    std::int32_t numero_nf = 0;
    std::string serie_nf;
    util::DayNumber dt_emissao_nf = 0;
};

// The open coupon's row as written.
struct OpenCoupon {
    std::int64_t id_cfiscal = 0;
    std::int32_t numero = 0;  // COO
    std::int32_t num_ccf = 0;
    std::int32_t num_cro = 0;
    util::DayNumber data = 0;
    std::int32_t id_cliente = 0;
    std::int32_t id_vendedor = 0;
};

// The product the Quick Sale shows after a code: description, code,
// quantity, unit price and "Total do Produto".
struct ShownItem {
    bool has_product = false;
    Product product;
    util::Quantity quantity;
    UnitPrice unit_price;
    util::Money total;
};

enum class Registration {
    kRegistered,
    kRefused,    // a message (or a silent printer gate) refused it; focus back to the code
    kNotFound,   // no product: the quantity field is cleared too
    kDayClosed,  // "Caixa não esta aberto!": the code field is cleared
};

// What the form's entry line shows once its code was looked up.
struct FormLine {
    Product product;
    util::Quantity quantity;  // a label's weight, a pack's factor, else 1
    UnitPrice table_price;
};

// The form's entry line when "&Confirma Item" is pressed.
struct FormItemEntry {
    std::string code;
    util::Quantity quantity;
    std::optional<UnitPrice> typed_price;  // nullopt: the table price
    std::optional<util::Money> discount_percent;
    util::Money discount_value;
};

// The coupon form's unit price can be typed only when the setting
// "Preco_Unitario" (section "PAF-ECF") is 1; otherwise the field is read-only.
bool unit_price_can_be_typed();

class SaleSession {
  public:
    SaleSession(CheckoutState& checkout, SaleScreen screen);

    // Reads the printer row of glo::numfab and the lookup settings; false
    // when the serial has no row (every sale is then refused as a closed day).
    bool load_point_of_sale();
    const PointOfSale& point_of_sale() const { return pos_; }
    const LookupSettings& lookup_settings() const { return settings_; }

    // Quick Sale: Enter in the code field (or a code from the scanner).
    // `quantity_field` is the quantity typed beside it (0 when none); a
    // prefix "3*" in the code wins over it.
    Registration enter_code(std::string_view code_field, util::Quantity quantity_field = {});

    // Coupon form: the code field lost focus. Nullopt after the message of a
    // code that matches nothing.
    std::optional<FormLine> look_up_form_item(std::string_view code);
    // Coupon form: "&Confirma Item".
    Registration confirm_form_item(const FormItemEntry& entry);
    // The header of the next coupon; while one is open its customer, seller
    // and commission form are stored in its row at once, so the commission of
    // the following items follows the seller chosen. False after a failure
    // was shown (the header is then unchanged).
    bool set_header(const CouponHeader& header);
    const CouponHeader& header() const { return header_; }

    // Quick Sale: the item number typed in "Cancelamento de Item".
    bool cancel_item(int num_item);
    // Coupon form: the selected row's item number, nullopt without a selection.
    bool cancel_selected_item(std::optional<int> num_item);

    // Continues a coupon that is open on the printer (after the power-failure
    // recovery chose to keep it): its row, items, totals and tape.
    bool resume_coupon(std::int64_t id_cfiscal);
    // Reads items, totals and tape of the open coupon again.
    bool refresh();
    // Drops coupon, items, tape and the product shown (no coupon open).
    void clear();
    // The coupon was cancelled: the tape ends in its cancellation and there
    // is no total left to pay; the coupon stays the one shown last.
    void coupon_cancelled();

    bool coupon_open() const;
    const OpenCoupon& coupon() const { return coupon_; }
    std::int64_t coupon_id() const { return coupon_.id_cfiscal; }
    const std::vector<CouponItem>& items() const { return items_; }
    const CouponTotals& totals() const { return totals_; }
    // What the customer pays: the items' total with the coupon's discount or
    // surcharge once one was given.
    util::Money coupon_total() const { return coupon_total_; }
    const CouponTape& tape() const { return tape_; }
    // The payment screens add their total, payment and change entries.
    CouponTape& tape() { return tape_; }
    const ShownItem& shown() const { return shown_; }

  private:
    struct Sale {
        Product product;
        util::Quantity quantity;
        UnitPrice price;
        util::Money discount;
    };
    // What an item sends to the printer, worked out before anything is written.
    struct Prepared {
        ItemAmounts amounts;
        std::string totaliser;
        std::string code;  // the code the printer and the tape show
    };

    bool day_is_open();
    bool open_coupon();
    bool customer_document(std::string& cgcpf);
    bool check_item(const Product& p, std::optional<util::Quantity> quantity, UnitPrice price,
                    bool active_only);
    void refuse_lookup(const LookupResult& found, std::string_view not_found_text);
    std::optional<Prepared> prepare(const Product& p, util::Quantity quantity, UnitPrice price,
                                    util::Money discount);
    bool register_item(const Sale& sale, const Prepared& prepared);
    int next_item_number() const;
    bool cancel(int num_item, bool quick_sale);
    bool validate_tax_situation(const Product& p);
    // Reads the items, recomputes and stores the totals (inside the caller's
    // transaction) and gives back what the session adopts once it commits.
    struct Snapshot {
        std::vector<CouponItem> items;
        CouponTotals totals;
    };
    std::optional<Snapshot> store_totals();
    void adopt(Snapshot snapshot);
    void refuse(std::string_view text);

    CheckoutState& checkout_;
    SaleScreen screen_;
    PointOfSale pos_;
    LookupSettings settings_;
    CouponHeader header_;
    OpenCoupon coupon_;
    std::vector<CouponItem> items_;
    CouponTotals totals_;
    util::Money coupon_total_;
    CouponTape tape_;
    ShownItem shown_;
    // The printer took an item whose rows the database then lost: the
    // printer's item numbers run ahead of the database's, so nothing more is
    // sold on this coupon until the recovery of the next screen opening has
    // cancelled it on both sides.
    bool printer_ahead_ = false;
    bool refuse_while_printer_ahead();
};

}  // namespace balcora::sale
