#pragma once

#include "shell/certificate_list.h"

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::shell {

// Recipient of the Bloco X pendency mail when none is set.
inline constexpr std::string_view kDefaultSupportEmail = "suporte@balcora.com.br";
// The Bloco X client's exchange file; the settings screen writes its "Config"
// (blocox/client_settings.h).
inline constexpr std::string_view kBlocoXClientIni = "c:\\sistemas\\balcora\\pgms\\xsginws.ini";

enum class FieldKind {
    kCheck,              // two values: choices[0] off, choices[1] on
    kChoice,             // one of choices
    kText,               // free text up to max_length
    kEmail,              // an address (blank allowed unless required)
    kPercent,            // a whole number 0 to 100
    kPassword,           // free text, never shown
    kFile,               // a file of this machine
    kCertificateSerial,  // a serial number from the certificate list
};

// kMailPassword: the relay's password, in its private file, not the table.
enum class FieldStore { kSettings, kBlocoXClient, kMailPassword };

struct FieldChoice {
    std::string_view value;
    std::string_view label;
};

// One field of the settings screen: where its value lives, how it is shown
// and its default when nothing is stored.
struct SettingField {
    std::string_view id;
    std::string_view group;
    std::string_view label;
    FieldKind kind;
    FieldStore store;
    std::string_view section;
    std::string_view key;
    std::string_view default_value;
    std::vector<FieldChoice> choices;
    int max_length = 0;
    bool required = false;
};

// Every field in screen order.
const std::vector<SettingField>& settings_fields();
const SettingField* find_setting_field(std::string_view id);

// "Configuração": the checkout's settings and the Bloco X client's
// certificate and environment.
class SettingsScreen {
  public:
    // Loads every field: the stored value, or its default; a stored value
    // that is none of a field's choices shows the default. False when the
    // settings cannot be read (the database error was shown).
    bool open();

    const std::string& value(std::string_view id) const;
    void set_value(std::string_view id, std::string value);
    bool checked(std::string_view id) const;
    void set_checked(std::string_view id, bool on);

    const std::vector<Certificate>& certificates() const { return certificates_; }

    // "&Salvar": checks every field (the first bad one is reported and named
    // in *focus), then writes all of them, logs the change and confirms.
    // Nothing is written when a check fails; a failing write undoes the rest.
    bool save(std::string* focus = nullptr);

    // The operation-log text of a save: environment, month and year.
    std::string log_description() const;

  private:
    bool validate(std::string* focus) const;
    bool write_client_settings();
    bool write_mail_password();

    std::map<std::string, std::string, std::less<>> values_;
    std::vector<Certificate> certificates_;
};

// Whether an e-mail address is usable: one "@", a name before it, a domain
// with a dot after it, no blanks or list separators.
bool valid_email(std::string_view address);

}  // namespace balcora::shell
