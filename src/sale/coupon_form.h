#pragma once

#include "forms/product_query.h"
#include "sale/sale_session.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

// "Form cfiscal": a coupon entered item by item with its customer, seller and
// commission and, with "&Registro NF", the invoice it is registered against.
// A new coupon sells through the shared sale session; an existing one is
// shown read-only ("Consultar"). The view binds the fields below, calls the
// *_entered() handlers when a field is left, and moves the focus as told.
namespace balcora {
struct CheckoutState;
}

namespace balcora::sale {

enum class CouponFormMode { kInsert, kView };

struct CouponFormStart {
    CouponFormMode mode = CouponFormMode::kInsert;
    std::int64_t id_cfiscal = 0;        // the coupon shown in view mode
    bool invoice_registration = false;  // "&Registro NF"
};

// The fields above the item list, as texts the view shows and edits.
struct CouponFormHeader {
    std::int64_t id_cfiscal = 0;
    std::string data, hora, coo, ccf, cro;
    std::string customer_code, customer_name, cgcpf, address, municipality, uf;
    std::string seller_code, seller_name;
    std::string commission_rate;                     // "2,00"
    std::string commission_form;                     // F, R or M
    std::string numero_nf, serie_nf, dt_emissao_nf;  // dd/mm/yyyy
};

// The item entry line.
struct CouponFormEntry {
    std::string code, description, quantity, unit, unit_price;
    std::string discount_percent, discount_value, total;
};

class CouponFormScreen {
  public:
    static constexpr const char* kTitle = "Form cfiscal";
    static constexpr const char* kSettingsFile = "c:\\sistemas\\balcora\\pgms\\balcora.cfg";

    // Choices the form asks of other windows; the GUI provides them.
    struct Views {
        std::function<std::optional<std::int32_t>()> choose_customer;
        std::function<std::optional<std::int32_t>()> choose_seller;
        // The product query, filtered by a description when one is given.
        std::function<std::optional<forms::ProductChoice>(std::optional<std::string>)>
            product_query;
    };

    explicit CouponFormScreen(CheckoutState& checkout, Views views = {});

    // Loads what the mode needs; false after a failure was shown.
    bool open(const CouponFormStart& start);
    CouponFormMode mode() const { return mode_; }
    bool read_only() const { return mode_ == CouponFormMode::kView; }
    bool invoice_registration() const { return invoice_registration_; }

    CouponFormHeader header;
    CouponFormEntry entry;

    // ---- header fields --------------------------------------------------------
    // A code without a customer opens the customer browse; blank: no customer.
    bool customer_code_entered();
    // A code without a seller opens the seller query; the seller chosen
    // brings its commission rate and form.
    bool seller_code_entered();
    // F, R or M (or blank); anything else is refused with the rule.
    bool commission_form_entered();

    // ---- the entry line ----------------------------------------------------
    // The code's product fills the line (and is confirmed at once when
    // "Confirma Item Automaticamente" is on). False after the refusal.
    bool code_entered();
    // The product query filtered by the description; its choice runs the code.
    bool description_entered();
    void quantity_entered();
    void unit_price_entered();
    void discount_entered();
    // A total typed gives the quantity at the unit price.
    void total_entered();
    bool unit_price_editable() const;
    bool discount_enabled() const { return !read_only() && amounts_.discount_fields_enabled; }
    bool discount_value_locked() const { return amounts_.discount_value_locked; }
    bool has_product() const { return line_.has_value(); }

    // "&Confirma Item".
    Registration confirm_item();
    // F3, "Ca&ncelar Item (F3)" or Enter on a row: the row's item number.
    bool cancel_item(std::optional<int> num_item);
    // "&Finaliza Cupom (F10)": true when the payment registered something.
    bool finalize();

    // "Confirma Item Automaticamente", kept in balcora.cfg.
    bool confirm_auto() const { return confirm_auto_; }
    void set_confirm_auto(bool on);

    // The list and the total of the coupon.
    const std::vector<CouponItem>& items() const;
    util::Money total() const;
    bool coupon_open() const { return session_.coupon_open(); }

    // Whether the window may close; a coupon still open asks first.
    bool may_close();

    SaleSession& session() { return session_; }

  private:
    bool load_coupon(std::int64_t id);
    bool load_customer(std::int32_t id);
    bool load_seller(std::int32_t id);
    // The row of the code typed, or else, when something was typed, of the one
    // chosen from the list; false when neither loaded.
    bool find_typed_or_chosen(const std::string& code, bool (CouponFormScreen::*load)(std::int32_t),
                              const std::function<std::optional<std::int32_t>()>& choose);
    void preset_invoice();
    bool store_header();
    CouponHeader session_header() const;
    void clear_entry();
    void recompute();
    std::optional<UnitPrice> typed_price() const;
    void show_coupon_numbers();

    Views views_;
    SaleSession session_;
    CouponFormMode mode_ = CouponFormMode::kInsert;
    bool invoice_registration_ = false;
    bool confirm_auto_ = false;
    std::optional<FormLine> line_;
    FormItemAmounts amounts_;
    std::vector<CouponItem> shown_items_;  // view mode
    util::Money shown_total_;
};

}  // namespace balcora::sale
