#pragma once

#include "backoffice/pre_sale_data.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace balcora {
struct CheckoutState;
}

namespace balcora::backoffice {
class LinkSession;
}

// "Pré-Venda" (CONSULTAPV, from the coupon browse): the pre-sales waiting at
// this store, each turned into a fiscal coupon ("&Emitir CF") or issued and
// cancelled at once when the customer gave up ("&Cancela PV"), and the
// back office told either way. The link stays open while the window is.
namespace balcora::backoffice {

class PreSaleScreen {
  public:
    static constexpr const char* kTitle = "Pré-Venda";

    explicit PreSaleScreen(CheckoutState& checkout);
    ~PreSaleScreen();
    PreSaleScreen(const PreSaleScreen&) = delete;
    PreSaleScreen& operator=(const PreSaleScreen&) = delete;

    // Opens the link, retries the pending updates and loads the list; false
    // when the link could not be opened (the window does not show). A link
    // that drops later is opened again before the next list load.
    bool open();
    void close();

    // "&Atualizar (F5)": pending updates retried, the list read again.
    bool refresh();
    const std::vector<PreSaleHeader>& rows() const { return rows_; }
    // The status line; the view follows it as it changes.
    const std::string& status() const { return status_; }
    void on_status(std::function<void(const std::string&)> listener);

    // "&Emitir CF" and "&Cancela PV" on the pre-sale with this order id (the
    // list is read again first, so the choice is checked against the back
    // office as it is now, and the order is claimed there before the printer
    // takes anything: pre_sale_claim.h). True when the coupon was issued (and
    // cancelled).
    bool issue(std::int32_t id_pedido);
    bool cancel(std::int32_t id_pedido);
    // The order of a waiting pre-sale by its number (the command line names
    // pre-sales so); nullopt after the operator was told why it waits no more.
    std::optional<std::int32_t> order_of(std::int64_t num_pv);

  private:
    void set_status(std::string text);
    bool ensure_link();
    const PreSaleHeader* choose(std::int32_t id_pedido);
    bool may_issue(const PreSaleHeader& row);
    // The chosen pre-sale when it may still become a coupon (shown why not otherwise).
    std::optional<PreSaleHeader> waiting_pre_sale(std::int32_t id_pedido);

    CheckoutState& checkout_;
    std::unique_ptr<LinkSession> link_;
    std::vector<PreSaleHeader> rows_;
    std::string status_;
    std::function<void(const std::string&)> listener_;
};

}  // namespace balcora::backoffice
