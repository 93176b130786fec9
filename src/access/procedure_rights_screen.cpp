#include "access/procedure_rights_screen.h"

#include "access/operator_maintenance_screen.h"
#include "db/fiscal_write.h"
#include "ui/environment.h"
#include "util/text.h"

namespace balcora::access {

namespace {

std::string label_of(const std::string& name) {
    for (const ProcedureRights& p : procedures_with_rights())
        for (const RightName& r : p.rights)
            if (util::to_lower_ascii(name) == util::to_lower_ascii(r.name)) return r.label;
    return name;
}

}  // namespace

bool ProcedureRightsScreen::open(std::string_view procedure,
                                 const std::vector<std::string>& right_names) {
    if (!require_right(OperatorMaintenanceScreen::kProcedure, kRightAccess)) return false;
    const ProcedureRights* known = find_procedure(procedure);
    procedure_ = known ? known->procedure : util::trim(procedure);
    caption_ = "Direitos de Acesso - " + (known ? std::string(known->title) : procedure_);
    columns_.clear();
    if (!right_names.empty()) {
        // At most eight rights fit the stored bits.
        for (std::size_t i = 0; i < right_names.size() && i < 8; ++i)
            columns_.push_back({static_cast<std::uint8_t>(1u << i), label_of(right_names[i])});
    } else if (known) {
        for (const RightName& r : known->rights) columns_.push_back({r.bit, r.label});
    } else {
        columns_.push_back({kRightAccess, "Acesso"});
    }
    access_gate_ = columns_.front().bit == kRightAccess && columns_.front().label == "Acesso";
    std::uint8_t mask = 0;
    for (const Column& c : columns_) mask |= c.bit;
    const bool administrator = current_is_administrator();
    rows_.clear();
    for (const Operator& op : list_operators()) {
        if (!op.active) continue;
        const std::uint8_t bits = rights_of(op.id, procedure_) & mask;
        const bool editable =
            !op.administrator && (administrator || op.id != current_operator_id());
        rows_.push_back({op, bits, bits, editable});
    }
    open_ = true;
    return true;
}

void ProcedureRightsScreen::set_right(int row, int column, bool on) {
    if (row < 0 || row >= static_cast<int>(rows_.size()) || column < 0 ||
        column >= static_cast<int>(columns_.size()))
        return;
    Row& r = rows_[static_cast<std::size_t>(row)];
    if (!r.editable) {
        prompt().message("Aviso",
                         r.op.administrator
                             ? "O administrador tem todos os direitos."
                             : "Somente um administrador pode alterar os próprios direitos!",
                         ui::Icon::kWarning);
        return;
    }
    const std::uint8_t bit = columns_[static_cast<std::size_t>(column)].bit;
    if (on)
        r.bits |= bit | (access_gate_ ? kRightAccess : 0);
    else if (bit == kRightAccess && access_gate_)
        r.bits = 0;
    else
        r.bits = static_cast<std::uint8_t>(r.bits & ~bit);
}

bool ProcedureRightsScreen::changed() const {
    for (const Row& r : rows_)
        if (r.bits != r.stored) return true;
    return false;
}

bool ProcedureRightsScreen::save() {
    if (!changed()) return true;
    db::Transaction tx;
    if (!tx.begun()) return false;
    for (const Row& r : rows_) {
        if (r.bits == r.stored || !r.editable) continue;
        // Bits of the procedure outside this rights list stay as they are.
        std::uint8_t mask = 0;
        for (const Column& c : columns_) mask |= c.bit;
        const std::uint8_t others = rights_of(r.op.id, procedure_) & ~mask;
        if (!set_rights(r.op.id, procedure_, static_cast<std::uint8_t>(others | r.bits)))
            return false;
    }
    if (!tx.commit()) return false;
    for (Row& r : rows_) r.stored = r.bits;
    return true;
}

void ProcedureRightsScreen::close() {
    if (open_ && changed() &&
        prompt().confirm("Confirme", "Gravar as alterações dos direitos de acesso?"))
        save();
    open_ = false;
}

bool edit_procedure_rights(std::string_view procedure,
                           const std::vector<std::string>& right_names) {
    ProcedureRightsScreen screen;
    if (!screens().has_view<ProcedureRightsScreen>() || !screen.open(procedure, right_names))
        return false;
    return screens().show(screen);
}

}  // namespace balcora::access
