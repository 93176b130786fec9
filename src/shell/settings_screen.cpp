#include "shell/settings_screen.h"

#include "blocox/client_settings.h"
#include "db/fiscal_write.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "fiscal/mail_notice.h"
#include "fiscal/mail_password.h"
#include "log/operation_log.h"
#include "ui/environment.h"
#include "util/text.h"

#include <cstdio>
#include <filesystem>

namespace balcora::shell {

namespace {

constexpr std::string_view kConfig = "Configuração";
constexpr std::string_view kPaf = "PAF-ECF";
constexpr std::string_view kClient = "Config";

constexpr std::string_view kSale = "Venda";
constexpr std::string_view kTef = "TEF e Retaguarda";
constexpr std::string_view kPafGroup = "PAF-ECF";
constexpr std::string_view kBlocoX = "Bloco X";
constexpr std::string_view kMail = "Envio de E-mail";

const std::vector<FieldChoice> kZeroOne = {{"0", "Não"}, {"1", "Sim"}};
const std::vector<FieldChoice> kNoYes = {{"N", "Não"}, {"S", "Sim"}};

SettingField check(std::string_view id, std::string_view group, std::string_view label,
                   std::string_view section, std::string_view key,
                   const std::vector<FieldChoice>& values = kZeroOne) {
    return {id,  group,           label, FieldKind::kCheck, FieldStore::kSettings, section,
            key, values[0].value, values};
}

// The relay the notices leave through, in the settings of every checkout.
SettingField mail(std::string_view id, std::string_view label, FieldKind kind,
                  std::string_view key) {
    return {id, kMail, label, kind, FieldStore::kSettings, fiscal::kMailSection, key, "", {}, 100};
}

SettingField choice(std::string_view id, std::string_view group, std::string_view label,
                    std::string_view key, std::string_view default_value,
                    std::vector<FieldChoice> choices) {
    return {id,      group, label,         FieldKind::kChoice, FieldStore::kSettings,
            kConfig, key,   default_value, std::move(choices)};
}

std::vector<SettingField> make_fields() {
    return {
        check("abrir_quick_sale", kSale, "Abrir Quick Sale ao iniciar Balcora", kConfig,
              "Abrir Quick Sale ao iniciar Balcora"),
        check("quick_sale", kSale, "Quick Sale - Venda Rápida no menu", kPaf, "QuickSale"),
        check("pre_venda", kSale, "Pré-Venda", kPaf, "PreVenda"),
        check("dav", kSale, "Ativar DAV", kPaf, "DAV"),
        check("descricao_extendida", kSale, "Descrição Extendida", kPaf, "Descricao Extendida"),
        check("tabela_preco", kSale, "Tabela de Preços", kConfig, "Tabela Preco"),
        {"perc_desc",
         kSale,
         "Percentual de Desconto",
         FieldKind::kPercent,
         FieldStore::kSettings,
         kPaf,
         "PercDesc",
         "50",
         {},
         3,
         true},
        choice("etiqueta_balanca", kSale, "Etiqueta Balança", "Etiqueta Balança", "1",
               {{"1", "Peso"}, {"2", "Preço"}}),
        choice("tamanho_codigo", kSale, "Tamanho código prod. pesado", "Tamanho codigo prod pesado",
               "6", {{"6", "6"}, {"4", "4"}}),
        choice("docto_venda_prazo", kSale, "Docto. Venda a Prazo", "Docto Venda Prazo", "1",
               {{"1", "Nota Promissória"}, {"2", "Crediário"}, {"3", "Não Imprime"}}),
        choice("segunda_via", kSale, "2ª Via em Relatório Gerencial",
               "2ª Via em Relatório Gerencial", "0",
               {{"0", "Não emitir"}, {"1", "Somente no crediário"}, {"2", "Todas as vendas"}}),

        check("tef_ativo", kTef, "TEF Ativo/Configurado", kConfig, "TEF Ativo/Configurado", kNoYes),
        check("tef_homologacao", kTef, "TEF Homologação", kConfig, "TEF Homologacao"),
        choice("atualiza_estoque", kTef, "Atualiza Estoque Retaguarda",
               "Atualiza Estoque Retaguarda", "1",
               {{"1", "Com pausa de tempo"}, {"2", "Sem pausa de tempo"}, {"0", "Não atualizar"}}),
        check("desbloqueia_fechamento", kTef, "Desbloqueia Fechamento antes das 6:00", kConfig,
              "Desbloqueia Fechamento"),

        check("ato_cotepe", kPafGroup, "Envio Automático AtoCotepe 17/04", kPaf, "AtoCOTEPE",
              kNoYes),
        {"email_ato_cotepe",
         kPafGroup,
         "Email AtoCotepe",
         FieldKind::kEmail,
         FieldStore::kSettings,
         kPaf,
         "EmailAtoCOTEPE",
         "",
         {},
         100,
         false},
        {"email",
         kPafGroup,
         "Email aviso de falha no Bloco X",
         FieldKind::kEmail,
         FieldStore::kSettings,
         kPaf,
         "Email",
         kDefaultSupportEmail,
         {},
         100,
         true},

        mail("email_servidor", "Servidor SMTP", FieldKind::kText, fiscal::kMailServerKey),
        mail("email_remetente", "Remetente", FieldKind::kEmail, fiscal::kMailSenderKey),
        mail("email_usuario", "Usuário SMTP", FieldKind::kText, fiscal::kMailUserKey),
        {"email_senha",
         kMail,
         "Senha SMTP",
         FieldKind::kPassword,
         FieldStore::kMailPassword,
         fiscal::kMailSection,
         fiscal::kMailPasswordKey,
         "",
         {},
         100},

        {"tipo_certificado",
         kBlocoX,
         "Tipo de Certificado",
         FieldKind::kChoice,
         FieldStore::kBlocoXClient,
         kClient,
         "TipoCertificado",
         "A1",
         {{"A1", "A1 - Arquivo"}, {"A3", "A3/A1 - Repositório"}}},
        {"num_serie",
         kBlocoX,
         "Número de Série",
         FieldKind::kCertificateSerial,
         FieldStore::kBlocoXClient,
         kClient,
         "NumSerie",
         "",
         {},
         100},
        {"certificado",
         kBlocoX,
         "Certificado (PFX)",
         FieldKind::kFile,
         FieldStore::kBlocoXClient,
         kClient,
         "Certificado",
         "",
         {},
         255},
        {"senha_certificado",
         kBlocoX,
         "Senha do Certificado",
         FieldKind::kPassword,
         FieldStore::kBlocoXClient,
         kClient,
         "Senha",
         "",
         {},
         50},
        {"ambiente",
         kBlocoX,
         "Ambiente",
         FieldKind::kChoice,
         FieldStore::kBlocoXClient,
         kClient,
         "Ambiente",
         "1",
         {{"1", "1-Produção"}, {"2", "2-Homologação"}}},
        {"endereco_fisco",
         kBlocoX,
         "Endereço do WebService do Fisco",
         FieldKind::kText,
         FieldStore::kBlocoXClient,
         kClient,
         "EnderecoFisco",
         "",
         {},
         255},
        {"certificado_fisco",
         kBlocoX,
         "Certificado do Servidor do Fisco (PEM)",
         FieldKind::kFile,
         FieldStore::kBlocoXClient,
         kClient,
         "CertificadoFisco",
         "",
         {},
         255},
    };
}

bool among_choices(const SettingField& f, std::string_view v) {
    for (const auto& c : f.choices)
        if (c.value == v) return true;
    return false;
}

std::string read_stored(const SettingField& f) {
    if (f.store == FieldStore::kSettings)
        return LEREGISTRO("balcora", f.section, f.key, f.default_value);
    if (f.store == FieldStore::kMailPassword) return fiscal::mail_password();
    return read_ini(f.section, f.key, f.default_value, kBlocoXClientIni);
}

bool valid_percent(std::string_view text) {
    if (text.empty() || text.size() > 3) return false;
    for (char c : text)
        if (c < '0' || c > '9') return false;
    return text_to_integer(text) <= 100;
}

void refuse(const SettingField& f, const std::string& text, std::string* focus) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
    if (focus) *focus = std::string(f.id);
}

// A path as typed: a Windows form names a file under the data root.
std::filesystem::path machine_path(const std::string& typed) {
    bool windows = typed.size() >= 2 && typed[1] == ':';
    return windows ? data_root().map(typed) : std::filesystem::path(typed);
}

}  // namespace

const std::vector<SettingField>& settings_fields() {
    static const std::vector<SettingField> fields = make_fields();
    return fields;
}

const SettingField* find_setting_field(std::string_view id) {
    for (const auto& f : settings_fields())
        if (f.id == id) return &f;
    return nullptr;
}

bool valid_email(std::string_view address) {
    auto at = address.find('@');
    if (at == std::string_view::npos || at == 0 || address.find('@', at + 1) != address.npos)
        return false;
    if (address.find_first_of(" \t,;<>\"'") != std::string_view::npos) return false;
    std::string_view domain = address.substr(at + 1);
    auto dot = domain.find('.');
    return dot != std::string_view::npos && dot > 0 && domain.back() != '.';
}

bool SettingsScreen::open() {
    values_.clear();
    // One error when the database is gone, not one per field.
    if (QUERYSQL("SELECT 1;").empty()) return false;
    for (const auto& f : settings_fields()) {
        std::string v = read_stored(f);
        if ((f.kind == FieldKind::kCheck || f.kind == FieldKind::kChoice) && !among_choices(f, v))
            v = std::string(f.default_value);
        values_[std::string(f.id)] = std::move(v);
    }
    certificates_ = read_certificate_list();
    return true;
}

const std::string& SettingsScreen::value(std::string_view id) const {
    static const std::string none;
    auto it = values_.find(id);
    return it == values_.end() ? none : it->second;
}

void SettingsScreen::set_value(std::string_view id, std::string value) {
    const SettingField* f = find_setting_field(id);
    if (!f) return;
    if (f->max_length > 0) value = util::cut_characters(std::move(value), f->max_length);
    values_[std::string(id)] = std::move(value);
}

bool SettingsScreen::checked(std::string_view id) const {
    const SettingField* f = find_setting_field(id);
    return f && f->kind == FieldKind::kCheck && value(id) == f->choices[1].value;
}

void SettingsScreen::set_checked(std::string_view id, bool on) {
    const SettingField* f = find_setting_field(id);
    if (f && f->kind == FieldKind::kCheck) set_value(id, std::string(f->choices[on ? 1 : 0].value));
}

bool SettingsScreen::validate(std::string* focus) const {
    for (const auto& f : settings_fields()) {
        const std::string v = util::trim(value(f.id));
        const std::string label(f.label);
        switch (f.kind) {
            case FieldKind::kCheck:
            case FieldKind::kChoice:
                if (!among_choices(f, v)) {
                    refuse(f, "Valor inválido em \"" + label + "\"!", focus);
                    return false;
                }
                break;
            case FieldKind::kPercent:
                if (!valid_percent(v)) {
                    refuse(f, label + " inválido!|Informe um número inteiro de 0 a 100.", focus);
                    return false;
                }
                break;
            case FieldKind::kEmail:
                if ((f.required || !v.empty()) && !valid_email(v)) {
                    refuse(f, label + " inválido!|Informe um endereço como nome@dominio.com.br.",
                           focus);
                    return false;
                }
                break;
            case FieldKind::kPassword: {
                // An INI file drops blanks around a value: such a password
                // would not reach the client as typed.
                const std::string& raw = value(f.id);
                if (!raw.empty() && (raw.front() == ' ' || raw.back() == ' ')) {
                    refuse(f, label + " não pode começar nem terminar com espaço!", focus);
                    return false;
                }
                break;
            }
            default:
                break;
        }
    }
    const std::string relay = util::trim(value("email_servidor"));
    if (relay.find_first_of(" \t") != std::string::npos) {
        refuse(*find_setting_field("email_servidor"),
               "Servidor SMTP inválido!|Informe como smtp.provedor.com.br:587.", focus);
        return false;
    }
    if (!relay.empty() && util::trim(value("email_remetente")).empty()) {
        refuse(*find_setting_field("email_remetente"),
               "Informe o remetente dos e-mails enviados pelo servidor SMTP.", focus);
        return false;
    }
    const std::string serial = util::trim(value("num_serie"));
    if (value("tipo_certificado") == "A3") {
        bool listed = false;
        for (const auto& c : certificates_)
            listed = listed || (!serial.empty() && c.serial == serial);
        if (!listed) {
            refuse(*find_setting_field("num_serie"), "Certificado inválido!", focus);
            return false;
        }
    } else {
        const std::string file = util::trim(value("certificado"));
        std::error_code ec;
        if (!file.empty() && !std::filesystem::is_regular_file(machine_path(file), ec)) {
            refuse(*find_setting_field("certificado"),
                   "Arquivo do certificado não encontrado!|" + file, focus);
            return false;
        }
    }
    // The client sends the shop's files over HTTPS only.
    const std::string address = util::trim(value("endereco_fisco"));
    if (!address.empty() && (address.rfind("https://", 0) != 0 || address.size() <= 8 ||
                             address.find_first_of(" \t") != std::string::npos)) {
        refuse(*find_setting_field("endereco_fisco"),
               "Endereço do WebService do Fisco inválido!|Informe como https://servidor/caminho.",
               focus);
        return false;
    }
    const std::string trusted = util::trim(value("certificado_fisco"));
    std::error_code ec;
    if (!trusted.empty() && !std::filesystem::is_regular_file(machine_path(trusted), ec)) {
        refuse(*find_setting_field("certificado_fisco"),
               "Arquivo do certificado do Fisco não encontrado!|" + trusted, focus);
        return false;
    }
    return true;
}

std::string SettingsScreen::log_description() const {
    const auto now = clock().now();
    char month_year[16];
    std::snprintf(month_year, sizeof month_year, "%02d/%04d", now.month, now.year);
    return std::string("Tp Amb:") + (value("ambiente") == "2" ? "Homologação" : "Produção") + " " +
           month_year;
}

namespace {

using ClientValues = std::vector<std::pair<const SettingField*, std::string>>;

ClientValues stored_client_values() {
    ClientValues values;
    for (const auto& f : settings_fields())
        if (f.store == FieldStore::kBlocoXClient)
            values.emplace_back(&f, read_ini(f.section, f.key, "", kBlocoXClientIni));
    return values;
}

bool write_client_value(const SettingField& f, const std::string& value) {
    return blocox::write_client_setting(f.section, f.key, value);
}

void restore_client_values(const ClientValues& values) {
    for (const auto& [f, v] : values) write_client_value(*f, v);
}

}  // namespace

bool SettingsScreen::write_client_settings() {
    for (const auto& f : settings_fields()) {
        if (f.store != FieldStore::kBlocoXClient) continue;
        std::string v = f.kind == FieldKind::kPassword ? value(f.id) : util::trim(value(f.id));
        if (write_client_value(f, v)) continue;
        prompt().message("Erro",
                         "Erro ao gravar o arquivo " + data_root().map(kBlocoXClientIni).string(),
                         ui::Icon::kError);
        return false;
    }
    return true;
}

bool SettingsScreen::write_mail_password() {
    std::string error;
    if (fiscal::store_mail_password(value("email_senha"), &error)) return true;
    prompt().message("Erro", error, ui::Icon::kError);
    return false;
}

bool SettingsScreen::save(std::string* focus) {
    if (!validate(focus)) return false;
    // The settings and their log row are kept together or not at all.
    db::Transaction tx;
    if (!tx.begun()) return false;
    for (const auto& f : settings_fields()) {
        if (f.store != FieldStore::kSettings) continue;
        std::string v = f.kind == FieldKind::kPassword ? value(f.id) : util::trim(value(f.id));
        if (!GRAVAREGISTRO("balcora", f.section, f.key, v)) return false;
    }
    if (!GRAVALOG("ALT", "configuracao", "", log_description())) return false;
    const ClientValues before = stored_client_values();
    const std::string password_before = fiscal::mail_password();
    if (!write_client_settings() || !write_mail_password() || !tx.commit()) {
        restore_client_values(before);
        fiscal::store_mail_password(password_before, nullptr);
        return false;
    }
    prompt().message("Aviso", "Configurações salvas com sucesso!", ui::Icon::kInformation);
    return true;
}

}  // namespace balcora::shell
