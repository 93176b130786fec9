#pragma once

#include "forms/form_mode.h"

#include <cstdint>
#include <optional>

class QWidget;

namespace balcora::gui {

// "&Tabelas" → "&Clientes" and "&Vendedores": each list in a window of its
// own (one at a time; asking again brings it forward).
void open_customer_browse(QWidget* parent);
void open_seller_browse(QWidget* parent);

// The modal customer form for a new customer (id ignored), a change or a
// consultation: the code of the customer saved, or nothing.
std::optional<std::int32_t> run_customer_form(forms::FormMode mode, std::int32_t id_cliente,
                                              QWidget* parent);

}  // namespace balcora::gui
