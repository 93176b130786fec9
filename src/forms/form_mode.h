#pragma once

namespace balcora::forms {

// How a record form was opened: a new record, a change, or a consultation.
enum class FormMode { kInsert, kChange, kView };

}  // namespace balcora::forms
