#pragma once

#include "forms/maqecf_form.h"

#include <cstdint>

class QWidget;

namespace balcora::gui {

// "&Tabelas" → "&Máquina ECF": the printer list, a window of its own (one at
// a time; asking again brings it forward).
void open_printer_registration(QWidget* parent);

}  // namespace balcora::gui

namespace balcora {

// The printer list " Máquina ECF", parented to the active window.
void BROWSEMAQECF();

// The form "Form maqecf" for a new printer (id ignored), a change or a
// consultation; true when the printer was saved.
bool UPDATEMAQECF(forms::FormMode mode, std::int32_t id_maqecf = 0);

}  // namespace balcora
