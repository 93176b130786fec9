#pragma once

#include "ecf/fiscal_printer.h"
#include "forms/product_query.h"
#include "globals/checkout_state.h"
#include "sale/barcode_scanner.h"
#include "sale/sale_session.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// "Quick Sale - Balcora": the full-screen checkout. The operator scans or
// types a code and the item is registered at once; single keys open the
// drawer, cancel items, take payments and reach the day functions. The view
// binds its fields to this controller, hands it the keys it does not type
// into a field, and calls tick() from its timer.
namespace balcora::sale {

class QuickSaleScreen {
  public:
    static constexpr const char* kTitle = "Quick Sale - Balcora";
    static constexpr const char* kProcedure = "QuickSale";
    static constexpr std::size_t kCodeChars = 19;
    // The clock and the picture move on every eleventh tick.
    static constexpr int kSlowTick = 11;

    // What the screen does for a key or an option code.
    enum class Action {
        kClose,
        kShutDown,
        kDrawer,
        kProductQuery,
        kCancelItem,
        kFinalize,
        kChangeOperator,
        kCashMovement,
        kCancelDocument,
        kCancelCoupon,
        kMemoryReading,
        kXReading,
        kOpenDay,
        kCloseDay,
        kDiscount,
        kSurcharge,
        kPay,
        kOptions,
        kRights,
    };
    struct KeyBinding {
        std::string_view key;  // as the view names it: "Esc", "Ctrl+F11", "Alt+1", "P"
        Action action;
        std::string_view mode;  // payment code of the payment keys
    };
    // Every key of the screen; a single letter acts only while the code field
    // is empty (otherwise it is part of a code).
    static const std::vector<KeyBinding>& key_table();

    // Windows the screen opens over itself; the GUI provides them.
    struct Views {
        // "Cancelamento de Item": the number typed, nullopt when left.
        std::function<std::optional<int>()> item_number;
        // CONSULTAPRODUTO: the chosen product, nullopt when left.
        std::function<std::optional<forms::ProductChoice>()> product_query;
    };

    explicit QuickSaleScreen(CheckoutState& checkout, Views views = {});
    ~QuickSaleScreen();
    QuickSaleScreen(const QuickSaleScreen&) = delete;
    QuickSaleScreen& operator=(const QuickSaleScreen&) = delete;

    // The opening checks in order; false when the screen must not show (the
    // reason was shown). After true the printer window flag is ours.
    bool open();
    bool is_open() const { return open_; }

    // ---- what the screen shows ---------------------------------------------
    int store_number() const;
    int point_of_sale_number() const { return session_.point_of_sale().numero; }
    const std::string& date_text() const { return date_text_; }
    const std::string& time_text() const { return time_text_; }
    std::string status_text() const;  // "ABERTO" / "FECHADO" / "ABRINDO" / "FECHANDO"
    const std::string& port_text() const { return port_text_; }
    const std::filesystem::path& logo() const { return logo_; }
    const std::filesystem::path& picture() const { return picture_; }
    int coupon_number() const;
    std::string operator_name() const;
    bool supervisor() const { return supervisor_; }
    const CouponTape& tape() const { return session_.tape(); }
    const ShownItem& shown() const { return session_.shown(); }
    util::Money coupon_total() const;
    // The line under the tape: what the checkout is doing.
    std::string message_line() const;
    bool coupon_open() const;

    // ---- fields the operator types into --------------------------------------
    std::string code_field;
    std::string quantity_field;  // up to 9 digits with 3 decimals, "," or "."

    // ---- events ------------------------------------------------------------
    enum class EnterResult {
        kRegistered,  // both fields cleared
        kRefused,     // focus back to the code field
        kMovedOn,     // an empty code: on to the quantity field
        kChosen,      // "0": the product chosen is in the code field
    };
    // Enter in the code field.
    EnterResult enter();
    // A key the fields did not take; false when the screen has no use for it.
    bool key(std::string_view key);
    // An option code of MENUOPCOES ("AC", "FC", ...; any other code is refused).
    void option(std::string_view code);
    void act(Action action, std::string_view mode = {});

    struct TickResult {
        int codes = 0;         // codes the scanner delivered
        bool clock = false;    // date and time moved on
        bool picture = false;  // another picture is shown
        bool header = false;   // the day's state shown changed
    };
    TickResult tick();

    // Esc or Alt+F4: ignored while a coupon is open; otherwise closes at once
    // when the computer is to be switched off, else after the question. True
    // when the screen closed.
    bool request_close();

    SaleSession& session() { return session_; }

  private:
    bool open_point_of_sale();
    bool open_printer();
    bool open_scanner();
    void close();
    void refresh_clock();
    bool next_picture();
    void refresh_operator();
    bool complete_if_paid();
    void shut_down();
    void cancel_item();
    void cash_movement();
    void cancel_coupon();
    // The tape ends in the cancellation and the coupon's total goes.
    void show_coupon_cancelled();
    void x_reading();
    void day_function(std::string_view function);
    void adjustment(std::string_view mode);
    void finalize(std::string_view mode);
    void product_query();
    void resume_open_coupon();
    bool day_open_now();

    CheckoutState& checkout_;
    Views views_;
    SaleSession session_{checkout_, SaleScreen::kQuickSale};
    std::unique_ptr<BarcodeScanner> scanner_;
    bool open_ = false;
    bool port_open_ = false;
    std::optional<ecf::Counters> counters_;  // as read when the printer was opened
    bool authorised_ = false;                // the printer row of glo::numfab exists
    bool last_refused_ = false;
    bool supervisor_ = false;
    bool completed_ = false;  // the tape shows a coupon just paid
    // The day function running ("AbreCaixa", "FechaCaixa"): while its
    // messages are up the day is neither plainly open nor closed.
    std::string day_function_;
    bool header_changed_ = false;
    int ticks_ = 0;
    std::string date_text_;
    std::string time_text_;
    std::string port_text_;
    std::filesystem::path logo_;
    std::filesystem::path picture_;
    std::vector<std::filesystem::path> pictures_;
    std::size_t picture_index_ = 0;
};

}  // namespace balcora::sale
