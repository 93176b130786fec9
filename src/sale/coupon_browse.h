#pragma once

#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// "Cupom Fiscal": the store's fiscal coupons by date, by customer or by COO,
// filtered by situation, with the buttons that start a coupon (the form), a
// pre-sale, the spool and a cancellation. Only one printer window at a time.
namespace balcora {
struct CheckoutState;
}

namespace balcora::sale {

enum class BrowseTab { kByDate, kByCustomer, kByCoo };
// "Todos" (T), "Emitidos" (E), "Cancelados" (C).
enum class SituationFilter { kAll, kIssued, kCancelled };

struct CouponRow {
    std::int64_t id_cfiscal = 0;
    std::string coo;  // six digits
    std::string data;
    std::string hora;
    std::string cliente;  // "CONSUMIDOR" without a customer
    util::Money total;
    bool cancelled = false;
};

class CouponBrowse {
  public:
    static constexpr const char* kTitle = "Cupom Fiscal";
    // Rows read at most per refresh; the filters narrow the list further.
    static constexpr int kRowLimit = 1000;

    explicit CouponBrowse(CheckoutState& checkout);
    ~CouponBrowse();
    CouponBrowse(const CouponBrowse&) = delete;
    CouponBrowse& operator=(const CouponBrowse&) = delete;

    // The opening checks in order; false when the window must not show.
    bool open();
    // Once, when the list is first shown: a coupon left open is recovered.
    void first_display();
    void close();
    bool is_open() const { return open_; }

    // Buttons shown by the settings.
    bool pre_sale_button() const { return pre_sale_; }
    bool spool_button() const { return spool_; }
    bool tef_active() const { return tef_active_; }

    BrowseTab tab() const { return tab_; }
    SituationFilter situation() const { return situation_; }
    const std::string& coo_filter() const { return coo_filter_; }
    void set_tab(BrowseTab tab);
    void set_situation(SituationFilter s);
    // Digits only; a number switches the situation to "Todos".
    void set_coo_filter(std::string_view text);

    bool refresh();
    const std::vector<CouponRow>& rows() const { return rows_; }
    bool truncated() const { return truncated_; }
    std::string list_statement() const;

    // "&Novo" and "&Registro NF": the day open today and the printer ready.
    bool may_start_coupon();
    // "&Pré-Venda": the same checks, then the pre-sale import.
    void pre_sale();
    void spool();
    // "&Cancela Cupom" for the selected row; refreshes after a cancellation.
    bool cancel(std::int64_t id_cfiscal);

    // The frame asks before it closes the program.
    bool application_may_close() const;

  private:
    bool day_ready();

    CheckoutState& checkout_;
    bool open_ = false;
    bool port_open_ = false;
    bool displayed_ = false;
    bool pre_sale_ = false;
    bool spool_ = false;
    bool tef_active_ = false;
    BrowseTab tab_ = BrowseTab::kByDate;
    SituationFilter situation_ = SituationFilter::kAll;
    std::string coo_filter_;
    std::vector<CouponRow> rows_;
    bool truncated_ = false;
};

// The browse open now, if any (the frame's close check).
const CouponBrowse* open_coupon_browse();

}  // namespace balcora::sale
