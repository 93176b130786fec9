#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The screens and operations of other modules that the sale screens start:
// the day functions, withdrawal and supply, payment, coupon cancellation and
// recovery, pre-sales and the spool. The module that provides one installs it
// here; until then its default tells the operator, by the function's name,
// that it is not available in this version, and changes nothing.
namespace balcora::sale {

struct SaleRoutes {
    // FUNCOESMAQECF with "AbreCaixa" or "FechaCaixa".
    std::function<void(std::string_view function)> day_functions;
    // TELA_SA_SU: withdrawal or supply of cash.
    std::function<void()> cash_movement;
    // FINALIZACUPOM of the open coupon: mode "" (the payment screen), "Desc",
    // "Acre" or a payment code; 1 when something was registered.
    std::function<int(std::string_view mode)> finalize_coupon;
    // Cancels the open coupon, or the last one when none is open; true when
    // the coupon was cancelled.
    std::function<bool(bool coupon_open)> cancel_coupon;
    // The coupon browse's "&Cancela Cupom" for the selected coupon.
    std::function<bool(std::int64_t id_cfiscal)> cancel_selected_coupon;
    // A coupon left open on the printer when a sale screen opens; false when
    // the screen must close. `card` is the card-aware path of the browse.
    std::function<bool(bool card)> recover_open_coupon;
    // CONSULTAPV and SPOOLECF of the coupon browse.
    std::function<void()> pre_sale;
    std::function<void()> spool;
};

// The routes in use; a module replaces the members it provides.
SaleRoutes& sale_routes();
// Every route back to its default (tests).
void reset_sale_routes();

// "<what> ainda não disponível nesta versão." (title "Aviso").
void report_not_available(std::string_view what);

// Puts the routes back as they were when it goes out of scope (tests).
class ScopedSaleRoutes {
  public:
    ScopedSaleRoutes() : saved_(sale_routes()) {}
    ~ScopedSaleRoutes() { sale_routes() = saved_; }
    ScopedSaleRoutes(const ScopedSaleRoutes&) = delete;
    ScopedSaleRoutes& operator=(const ScopedSaleRoutes&) = delete;

  private:
    SaleRoutes saved_;
};

}  // namespace balcora::sale
