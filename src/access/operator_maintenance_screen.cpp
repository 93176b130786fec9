#include "access/operator_maintenance_screen.h"

#include "db/fiscal_write.h"
#include "ui/environment.h"

namespace balcora::access {

namespace {

constexpr const char* kOnlyAdministrators =
    "Somente um administrador pode cadastrar ou alterar administradores!";

void warn(const std::string& text) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

bool has_access_bit(const ProcedureRights& p) {
    for (const RightName& r : p.rights)
        if (r.bit == kRightAccess) return true;
    return false;
}

}  // namespace

bool OperatorMaintenanceScreen::open() {
    if (!require_right(kProcedure, kRightAccess)) return false;
    administrator_ = current_is_administrator();
    open_ = true;
    form.reset();
    reload(current_operator_id());
    return true;
}

void OperatorMaintenanceScreen::close() {
    if (open_) ask_to_store_rights();
    open_ = false;
}

const Operator* OperatorMaintenanceScreen::selected_operator() const {
    if (selected_ < 0 || selected_ >= static_cast<int>(operators_.size())) return nullptr;
    return &operators_[static_cast<std::size_t>(selected_)];
}

void OperatorMaintenanceScreen::select(int index) {
    if (index == selected_) return;
    ask_to_store_rights();
    selected_ = index >= 0 && index < static_cast<int>(operators_.size()) ? index : -1;
    load_rights();
}

void OperatorMaintenanceScreen::reload(int keep_id) {
    operators_ = list_operators();
    selected_ = operators_.empty() ? -1 : 0;
    for (std::size_t i = 0; i < operators_.size(); ++i)
        if (operators_[i].id == keep_id) selected_ = static_cast<int>(i);
    load_rights();
}

void OperatorMaintenanceScreen::load_rights() {
    rights_.clear();
    const Operator* op = selected_operator();
    if (!op) return;
    for (const ProcedureRights& p : procedures_with_rights()) {
        std::uint8_t mask = 0;
        for (const RightName& r : p.rights) mask |= r.bit;
        const std::uint8_t stored = rights_of(op->id, p.procedure) & mask;
        rights_.push_back({&p, stored, stored});
    }
}

std::string OperatorMaintenanceScreen::rights_locked_reason() const {
    const Operator* op = selected_operator();
    if (!op) return "Selecione um usuário.";
    if (op->administrator) return "O administrador tem todos os direitos.";
    if (!administrator_ && op->id == current_operator_id())
        return "Somente um administrador pode alterar os próprios direitos!";
    return {};
}

void OperatorMaintenanceScreen::set_right(int row, std::uint8_t bit, bool on) {
    if (row < 0 || row >= static_cast<int>(rights_.size())) return;
    if (auto reason = rights_locked_reason(); !reason.empty()) {
        warn(reason);
        return;
    }
    RightRow& r = rights_[static_cast<std::size_t>(row)];
    const bool gated = has_access_bit(*r.procedure) && bit != kRightAccess;
    if (on)
        r.bits |= bit | (gated ? kRightAccess : 0);
    else
        r.bits = bit == kRightAccess ? 0 : static_cast<std::uint8_t>(r.bits & ~bit);
}

bool OperatorMaintenanceScreen::rights_changed() const {
    for (const RightRow& r : rights_)
        if (r.bits != r.stored) return true;
    return false;
}

bool OperatorMaintenanceScreen::save_rights() {
    const Operator* op = selected_operator();
    if (!op || !rights_changed()) return true;
    if (auto reason = rights_locked_reason(); !reason.empty()) {
        warn(reason);
        return false;
    }
    db::Transaction tx;
    if (!tx.begun()) return false;
    for (const RightRow& r : rights_)
        if (r.bits != r.stored && !set_rights(op->id, r.procedure->procedure, r.bits)) return false;
    if (!tx.commit()) return false;
    for (RightRow& r : rights_) r.stored = r.bits;
    return true;
}

void OperatorMaintenanceScreen::ask_to_store_rights() {
    if (!rights_changed()) return;
    const Operator* op = selected_operator();
    if (prompt().confirm("Confirme", "Gravar as alterações dos direitos de " + op->login + "?") &&
        save_rights())
        return;
    for (RightRow& r : rights_) r.bits = r.stored;
}

const Operator* OperatorMaintenanceScreen::manageable_selection() {
    const Operator* op = selected_operator();
    if (op && !administrator_ && op->administrator) {
        warn(kOnlyAdministrators);
        return nullptr;
    }
    return op;
}

void OperatorMaintenanceScreen::begin_add() {
    form = Form{};
    form_focus_ = FormField::kLogin;
}

bool OperatorMaintenanceScreen::begin_edit() {
    const Operator* op = manageable_selection();
    if (!op) return false;
    form = Form{false, *op, {}, {}};
    form_focus_ = FormField::kName;
    return true;
}

bool OperatorMaintenanceScreen::refuse_form(const std::string& text, FormField field) {
    warn(text);
    form_focus_ = field;
    return false;
}

bool OperatorMaintenanceScreen::save_form() {
    if (!form) return false;
    Form& f = *form;
    if (auto p = login_problem(f.data.login); !p.empty()) return refuse_form(p, FormField::kLogin);
    if (auto p = name_problem(f.data.name); !p.empty()) return refuse_form(p, FormField::kName);
    if (f.data.administrator && !administrator_)
        return refuse_form(kOnlyAdministrators, FormField::kLogin);
    int id = f.data.id;
    if (f.is_new) {
        if (auto p = new_password_problem(f.password, f.confirmation); !p.empty())
            return refuse_form(p, FormField::kPassword);
        id = create_operator(f.data, f.password);
        if (id == 0) return false;
    } else if (!update_operator(f.data)) {
        return false;
    }
    form.reset();
    reload(id);
    return true;
}

bool OperatorMaintenanceScreen::remove_selected() {
    const Operator* op = manageable_selection();
    if (!op) return false;
    if (!prompt().confirm("Confirme",
                          "Confirma excluir o usuário " + op->login + " (" + op->name + ")?"))
        return false;
    rights_.clear();  // they go with the operator
    if (!delete_operator(op->id)) {
        load_rights();
        return false;
    }
    reload(0);
    return true;
}

bool OperatorMaintenanceScreen::reset_password(std::string_view password,
                                               std::string_view confirmation) {
    const Operator* op = manageable_selection();
    if (!op) return false;
    std::string typed(password), again(confirmation);  // the caller's stay as typed
    if (auto p = new_password_problem(typed, again); !p.empty()) {
        warn(p);
        return false;
    }
    if (!set_operator_password(op->id, password)) return false;
    prompt().message("Aviso", "Senha de " + op->login + " alterada com sucesso!",
                     ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::access
