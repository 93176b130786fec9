#include "blocox/pending_mail.h"

#include "blocox/pending_warning.h"
#include "blocox/transmission.h"
#include "db/query_sql.h"
#include "db/settings.h"
#include "fiscal/mail_notice.h"
#include "ui/environment.h"
#include "util/text.h"

#include <cerrno>
#include <cstring>
#include <fstream>

namespace balcora::blocox {

namespace {

constexpr std::string_view kBodyFile = "c:\\sistemas\\email.txt";
// The start-up waits for the mailer at most this long.
constexpr std::chrono::seconds kMailTimeout{30};

long long count_of(const std::string& sql) {
    return text_to_integer(QUERYSQL(sql));
}

}  // namespace

bool mail_pending_notice(int id_maqecf, int id_empresa, std::string_view default_recipient) {
    if (registro_number("PAF-ECF", kMailReductionKey, 0) != 1 &&
        registro_number("PAF-ECF", kMailStockKey, 0) != 1)
        return true;
    const long long reductions = std::max(0LL, pending_reductions(id_maqecf));
    const long long stock = std::max(0LL, pending_stock_periods(id_empresa));
    if (reductions < 1 && stock < 1) return true;

    db::SqlRecord company;
    QUERYSQL("SELECT nome,cnpj FROM balcora.empresa WHERE ativa=1 ORDER BY id_empresa limit 1;",
             company);
    const std::string name = util::trim(company.C(1));
    const std::filesystem::path body = data_root().map(kBodyFile);
    std::error_code ec;
    std::filesystem::create_directories(body.parent_path(), ec);
    {
        std::ofstream out(body, std::ios::binary | std::ios::trunc);
        out << "<center><b>Pendência Bloco X</b></center>\r\n"
            << "<p>Empresa:" << name << " - " << util::trim(company.C(2)) << "\r\n";
        if (reductions > 0) out << "<p>" << reductions << " arquivo ReduçaoZ pendente de envio\r\n";
        if (stock > 0) out << "<p>" << stock << " arquivo Estoque pendente de envio\r\n";
        out.flush();
        if (!out) {
            const int code = errno;
            prompt().message(
                "Erro", "Erro (" + std::to_string(code) + ") ao criar o arquivo " + body.string(),
                ui::Icon::kError);
            return false;
        }
    }
    std::string to = util::trim(LEREGISTRO("balcora", "PAF-ECF", "Email"));
    if (to.empty()) to = default_recipient;
    const fiscal::MailOutcome sent = fiscal::send_mail_notice(
        body, "PENDENCIA BLOCO X - " + name + " - " + util::br_date(today()), to, {}, kMailTimeout);
    if (sent.sent) return true;
    prompt().message("Aviso", "Aviso de pendência do Bloco X não enviado por e-mail.|" + sent.error,
                     ui::Icon::kWarning);
    return false;
}

void send_pending_at_start(int id_maqecf, int id_empresa) {
    if (count_of("SELECT count(*) FROM balcora.reg60m WHERE id_maqecf=" +
                 std::to_string(id_maqecf) + " AND sit_blocox='P';") > 0)
        BLOCOX(kSendReductions);
    if (count_of("SELECT count(*) FROM balcora.estoquex WHERE id_empresa=" +
                 std::to_string(id_empresa) + " AND sit_blocox='P';") > 0)
        BLOCOX(kSendStock);
}

}  // namespace balcora::blocox
