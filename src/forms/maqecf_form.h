#pragma once

#include "ecf/maqecf_record.h"
#include "forms/form_mode.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace balcora::forms {

// The fields of the printer form, for focus and the duplicate-field action.
enum class MaqecfField {
    kIdMaqecf,
    kNumero,
    kNumSerie,
    kMarca,
    kModelo,
    kDt1,
    kSituacao,
    kDataSit,
    kPortaCom,
    kModeloScanner,
    kPortaComScanner,
    kNumCredEcf,
};

// A printer model of modecf, offered to fill brand, model and model codes.
struct PrinterModel {
    std::int32_t cod_marca = 0, cod_modelo = 0, cod_versao = 0;
    std::string marca, modelo, versao;
    std::string label() const;
};

// "Form maqecf": one printer of the store. Saving applies the configuration
// to the printer first; nothing is stored when the printer refuses it.
class MaqecfForm {
  public:
    static constexpr const char* kTitle = "Form maqecf";

    // A new printer with the next free code and number.
    bool open_insert();
    // An existing printer to change or consult; false (shown) when it is gone.
    bool open(FormMode mode, std::int32_t id_maqecf);

    FormMode mode() const { return mode_; }
    bool read_only() const { return mode_ == FormMode::kView; }
    MaqecfRecord& record() { return record_; }
    const MaqecfRecord& record() const { return record_; }

    // Ctrl+A: situation and its date become editable.
    void reveal_situation() { situation_revealed_ = true; }
    bool situation_revealed() const { return situation_revealed_; }

    // Ctrl+H in a new record: the field takes the value it had in the last
    // record saved; false when there is no such record or not inserting.
    bool duplicate_field(MaqecfField field);

    // The printer models of modecf, read when the form opens.
    const std::vector<PrinterModel>& models() const { return models_; }
    void choose_model(std::size_t index);
    // The model matching the record's model codes, if any.
    std::optional<std::size_t> chosen_model() const;

    // "&Ok": validates, configures the printer, stores the row. True when
    // stored (the form closes); otherwise the reason was shown and
    // focus_field() names the field to correct, if one.
    bool save();
    std::optional<MaqecfField> focus_field() const { return focus_; }

    // Forgets the model for new records (tests).
    static void forget_last_saved();

  private:
    bool validate();
    bool keys_free();
    enum class RowState { kUnchanged, kChangedAccepted, kRefused };
    RowState check_row_unchanged();
    bool configure_printer();
    bool store();
    bool fail(MaqecfField field, const std::string& text);
    void load_models();
    std::string row_digest() const;

    FormMode mode_ = FormMode::kInsert;
    MaqecfRecord record_;
    std::string loaded_digest_;  // the row as it was read, to notice other stations' changes
    bool situation_revealed_ = false;
    std::vector<PrinterModel> models_;
    std::optional<MaqecfField> focus_;
};

}  // namespace balcora::forms
