#pragma once

#include "forms/product_query.h"

#include <cstdint>
#include <optional>
#include <string>

class QWidget;

namespace balcora::gui {

// The product query of the sale screens (F2, the code "0", the coupon form's
// description field): the chosen product, or nothing when the operator left.
// A description opens the name key filtered by it.
std::optional<forms::ProductChoice> CONSULTAPRODUTO(
    QWidget* parent, std::optional<std::string> description = std::nullopt);

// "&Tabelas" → "&Produtos": the product list in a window of its own (one at a
// time; asking again brings it forward), without a choice to hand back.
void open_product_query(QWidget* parent);

// The coupon form's customer and seller choices: the chosen row's key, or
// nothing when the operator left without one. The customer list also adds a
// customer ("&Novo (Ins)"), who is then the choice.
std::optional<std::int32_t> choose_customer(QWidget* parent);
std::optional<std::int32_t> choose_seller(QWidget* parent);

// The customer form's municipality choice: the chosen municipality's code.
std::optional<std::int32_t> choose_municipality(QWidget* parent);

}  // namespace balcora::gui
