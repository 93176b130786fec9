#include "tef/card_manager.h"

#include "tef/funcao_tef.h"
#include "ui/service_port.h"

#include <string>

namespace balcora::tef {

sale::CardOutcome CardManager::pay(const sale::CardPayment& payment) {
    return pay_with_card_manager(payment, setup_);
}

bool CardManager::cancel_payment(std::int64_t id_cfiscalfp) {
    return FUNCAOTEF("CANCFP1", std::to_string(id_cfiscalfp)) == 1;
}

bool CardManager::undo_pending_transaction(std::int64_t id_cfiscalfp) {
    return FUNCAOTEF("CANCTRANSACAO", id_cfiscalfp > 0 ? std::to_string(id_cfiscalfp) : "") == 1;
}

std::string CardManager::pending_transaction_nsu() {
    Response pending;
    if (!read_response_file(pending_response_file(), &pending).read()) return {};
    return pending.nsu;
}

bool CardManager::confirm_cancellation_of_cancelled_coupon() {
    return tef::confirm_cancellation_of_cancelled_coupon();
}

void provide_card_manager(ui::ServicePort& services) {
    static CardManager program_manager;
    services.provide<sale::CardFunctions>(&program_manager);
}

}  // namespace balcora::tef
