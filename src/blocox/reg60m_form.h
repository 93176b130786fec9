#pragma once

#include "forms/maqecf_form.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace balcora::blocox {

// UPDATEREG60M, "Form reg60m": one Z-reduction record of the authorised
// printer. A reduction already at the tax authority opens for consultation
// only: its file there must keep matching it.
class Reg60mForm {
  public:
    static constexpr const char* kTitle = "Form reg60m";

    enum Field {
        kData,
        kCrz,
        kCro,
        kCooInicial,
        kCooFinal,
        kCoo,
        kVendaBruta,
        kTotalGeral,
        kIcms,
        kIss,
        kDtEmissao,
        kHrEmissao,
        kFieldCount
    };
    struct FieldInfo {
        const char* label;
        const char* name;  // the column
        enum Kind { kDate, kNumber, kMoney, kTime } kind;
    };
    static const FieldInfo& info(Field f);

    // A new reduction of the authorised printer, dated today.
    bool open_insert();
    // False (shown) when the record is gone. A transmitted one opens to view.
    bool open(forms::FormMode mode, std::int32_t id_reg60m);

    forms::FormMode mode() const { return mode_; }
    bool read_only() const { return mode_ == forms::FormMode::kView; }
    std::int32_t id_reg60m() const { return id_; }

    // Texts as the fields show them (dd/mm/yyyy, 1.234,56, hh:mm:ss).
    std::array<std::string, kFieldCount> values;
    std::string situacao() const;  // state text of sit_blocox
    const std::string& recibo() const { return rec_blocox_; }

    // "&Ok": validates and stores, logging the change with the emission
    // date. False (shown) with focus() on the field to correct, if one.
    bool save();
    std::optional<Field> focus() const { return focus_; }

    // "E&xcluir" of the browse: asks first; only a pending reduction goes,
    // with its totalizers. True when deleted.
    static bool remove(std::int32_t id_reg60m);

  private:
    bool refuse(Field f, const std::string& text);
    bool validate(std::array<std::string, kFieldCount>& sql);

    forms::FormMode mode_ = forms::FormMode::kInsert;
    std::int32_t id_ = 0;
    std::int32_t id_maqecf_ = 0;
    std::int32_t id_empresa_ = 0;
    std::string sit_blocox_ = "P";
    std::string rec_blocox_;
    std::optional<Field> focus_;
};

}  // namespace balcora::blocox
