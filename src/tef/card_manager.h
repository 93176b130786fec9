#pragma once

#include "sale/card_functions.h"
#include "tef/card_payment.h"

namespace balcora::ui {
class ServicePort;
}

namespace balcora::tef {

// The card-payment manager's functions as the sale calls them: a payment
// through the file exchange, FUNCAOTEF's cancellation and undoing, and the
// pending transaction's answer.
class CardManager : public sale::CardFunctions {
  public:
    explicit CardManager(CardSetup setup = {}) : setup_(setup) {}
    // Where the next exchanges take their time and how long they wait.
    void set_setup(const CardSetup& setup) { setup_ = setup; }

    sale::CardOutcome pay(const sale::CardPayment& payment) override;
    bool cancel_payment(std::int64_t id_cfiscalfp) override;
    bool undo_pending_transaction(std::int64_t id_cfiscalfp) override;
    std::string pending_transaction_nsu() override;
    bool confirm_cancellation_of_cancelled_coupon() override;

  private:
    CardSetup setup_;
};

// The program's card manager (the system's clocks and waits), provided for
// the sale.
void provide_card_manager(ui::ServicePort& services);

}  // namespace balcora::tef
