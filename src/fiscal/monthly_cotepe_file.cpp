#include "fiscal/monthly_cotepe_file.h"

#include "db/literals.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/cash_day.h"
#include "ecf/fiscal_printer.h"
#include "ecf/printer_layouts.h"
#include "fiscal/ead_signing.h"
#include "globals/globals.h"
#include "platform/folder_snapshot.h"
#include "ui/environment.h"
#include "util/text.h"

#include <fstream>

namespace balcora::fiscal {

using ecf::report_not_available;

namespace {

constexpr const char* kSection = "PAF-ECF";

std::string company_code(std::int32_t id) {
    std::string s = std::to_string(id);
    return s.size() < 4 ? std::string(4 - s.size(), '0') + s : s;
}

struct Company {
    std::int32_t id = 0;
    std::string name;
    std::string cnpj;
};

Company read_company(const MaqecfRecord& printer) {
    Company c;
    c.id = glo::id_empresa != 0 ? glo::id_empresa : printer.id_empresa;
    db::SqlRecord r;
    if (db::read_row("SELECT razao_social, cnpj FROM balcora.empresa WHERE id_empresa=", c.id, r)) {
        c.name = util::trim(r.text("razao_social"));
        c.cnpj = util::trim(r.text("cnpj"));
    }
    return c;
}

bool write_message_file(const std::filesystem::path& file, const Company& c) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << "<center><b>Ato COTEPE 17/04</b></center>\r\n"
        << "<p>Empresa: " << company_code(c.id) << " - " << c.name << " (" << c.cnpj << ")\r\n";
    out.close();
    if (out) return true;
    prompt().message("Erro", "Erro ao criar o arquivo " + file.string(), ui::Icon::kError);
    return false;
}

}  // namespace

std::optional<std::pair<util::DayNumber, util::DayNumber>> monthly_file_period(
    const MaqecfRecord& printer) {
    if (util::to_upper_ascii(util::trim(LEREGISTRO("balcora", kSection, "AtoCOTEPE", "N"))) ==
            "N" ||
        printer.data_reducaoz <= 0)
        return std::nullopt;
    const util::CivilDate z = util::civil_date(printer.data_reducaoz);
    const util::DayNumber sent_day = util::parse_setting_day(
        LEREGISTRO("balcora", "envia_atocotepe", "dataenvia_atocotepe", ""));
    if (sent_day > 0) {
        const util::CivilDate sent = util::civil_date(sent_day);
        if (sent.year == z.year && sent.month == z.month) return std::nullopt;
    }
    const util::DayNumber first_of_z_month = util::day_number(z.year, z.month, 1);
    const util::CivilDate before = util::civil_date(first_of_z_month - 1);
    return std::pair{util::day_number(before.year, before.month, 1), first_of_z_month - 1};
}

bool send_monthly_cotepe_file(const MaqecfRecord& printer, const MonthlyFileMailer& mail_to) {
    const auto period = monthly_file_period(printer);
    if (!period) return true;
    const std::filesystem::path folder = pafecf_folder();
    const platform::FolderSnapshot before(folder);
    if (!ecf::printer().cotepe_file_by_date(folder, period->first, period->second, 2)) return false;

    const Company company = read_company(printer);
    const std::filesystem::path message = data_root().map("c:\\sistemas\\email.txt");
    if (!write_message_file(message, company)) return false;
    if (!mail_to) {
        report_not_available("Envio do Ato COTEPE por e-mail");
        return false;
    }
    MonthlyFileMail mail;
    mail.recipient = util::trim(LEREGISTRO("balcora", kSection, "EmailAtoCOTEPE", ""));
    if (mail.recipient.empty()) {
        prompt().message("Aviso",
                         "Arquivo do Ato COTEPE gerado, mas não enviado: informe o e-mail "
                         "(EmailAtoCOTEPE) nas configurações do PAF-ECF.",
                         ui::Icon::kWarning);
        return false;
    }
    mail.subject = "Ato COTEPE 17/04 - (" + util::br_date(today()) + ") - " +
                   company_code(company.id) + " - " + company.name;
    mail.body = message;
    // The file of this request, never an earlier one of the folder.
    mail.attachment = before.written_since();
    if (mail.attachment.empty()) {
        prompt().message(
            "Aviso",
            "Arquivo do Ato COTEPE não encontrado em " + folder.string() + ": nada foi enviado.",
            ui::Icon::kWarning);
        return false;
    }
    const MailOutcome sent = mail_to(mail);
    if (!sent.sent) {
        prompt().message(
            "Aviso", "Arquivo do Ato COTEPE gerado, mas o e-mail não foi enviado:|" + sent.error,
            ui::Icon::kWarning);
        return false;
    }
    GRAVAREGISTRO("balcora", "envia_atocotepe", "dataenvia_atocotepe", util::br_date(today()));
    return true;
}

}  // namespace balcora::fiscal
