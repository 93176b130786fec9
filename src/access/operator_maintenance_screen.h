#pragma once

#include "access/access_control.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::access {

// "Cadastro de Usuários": the operators, their record and password, and their
// rights per procedure. Open to operators with access to "CadastroUsuarios";
// administrators' records and the administrator flag stay with
// administrators, and nobody but an administrator edits his own rights.
class OperatorMaintenanceScreen {
  public:
    static constexpr const char* kCaption = "Cadastro de Usuários";
    static constexpr const char* kProcedure = "CadastroUsuarios";

    struct RightRow {
        const ProcedureRights* procedure = nullptr;
        std::uint8_t bits = 0;    // as shown: every bit for an administrator
        std::uint8_t stored = 0;  // as read, to tell what changed
    };

    // The record being added or edited (a copy, stored by save_form).
    struct Form {
        bool is_new = true;
        Operator data;
        std::string password;  // new operators only
        std::string confirmation;
    };
    enum class FormField { kLogin, kName, kPassword, kConfirmation };

    // False (after the refusal) when the operator lacks the right.
    bool open();
    // Asks about rights not yet stored, then closes.
    void close();
    bool is_open() const { return open_; }

    const std::vector<Operator>& operators() const { return operators_; }
    int selected() const { return selected_; }
    const Operator* selected_operator() const;
    // Asks about rights not yet stored, then shows the rights of that row.
    void select(int index);

    const std::vector<RightRow>& rights() const { return rights_; }
    // Why the rights of the selected operator cannot be edited; empty when
    // they can.
    std::string rights_locked_reason() const;
    // Supervisor and the other rights need access: setting one sets access,
    // clearing access clears them.
    void set_right(int row, std::uint8_t bit, bool on);
    bool rights_changed() const;
    bool save_rights();

    void begin_add();
    bool begin_edit();
    bool save_form();
    void cancel_form() { form.reset(); }
    FormField form_focus() const { return form_focus_; }
    std::optional<Form> form;

    // Asks first; never oneself nor the last active administrator.
    bool remove_selected();
    bool reset_password(std::string_view password, std::string_view confirmation);

  private:
    void reload(int keep_id);
    void load_rights();
    // The selected operator, when the one signed in may edit it: only an
    // administrator manages administrators (the others are told so).
    const Operator* manageable_selection();
    void ask_to_store_rights();
    bool refuse_form(const std::string& text, FormField field);

    bool open_ = false;
    bool administrator_ = false;  // the operator signed in, when opened
    std::vector<Operator> operators_;
    int selected_ = -1;
    std::vector<RightRow> rights_;
    FormField form_focus_ = FormField::kLogin;
};

}  // namespace balcora::access
