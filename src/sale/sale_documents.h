#pragma once

#include "sale/sale_documents_layout.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace balcora::sale {

// Prints what follows a closed coupon, chosen by "Docto Venda Prazo" (1 promissory note, 2 debt
// acknowledgement, any other value the second copy alone when "2ª Via em Relatório Gerencial" is
// 2). Notes and acknowledgements only when the coupon has "CR" payment rows.
// `last_form_printer_name` is the printer name of the last registered payment form (used by the
// acknowledgement).
void print_sale_documents(std::int64_t id_cfiscal, std::string_view last_form_printer_name);

// "Docto Venda Prazo", 1 when never set: one default for the sale and for
// the recovery of what a power failure left behind.
long long sale_document_setting();

// What the documents print, read from the database. Nullopt when the coupon
// does not exist or a query failed (the failure was shown). The company is
// glo::id_empresa; a client that no longer exists leaves its block out.
std::optional<CreditSale> load_credit_sale(std::int64_t id_cfiscal);
std::optional<SecondCopy> load_second_copy(std::int64_t id_cfiscal);

// The client of a document, out empty when id_cliente is not positive or the
// row is gone; false when the query failed (shown).
bool load_document_client(std::int64_t id_cliente, std::optional<DocumentClient>& out);

// The printer name of the store-credit payment form (section "FormaPagto",
// key "CREDIARIO"), as the payment command carries it.
std::string store_credit_printer_name();

}  // namespace balcora::sale
