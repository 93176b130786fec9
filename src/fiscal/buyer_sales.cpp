#include "fiscal/buyer_sales.h"

#include "db/field_writer.h"
#include "db/literals.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "fiscal/ead_signing.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/day_number.h"
#include "util/fixed_point_text.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

namespace balcora::fiscal {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kDeveloperSection = "Desenvolvedor PAF-ECF";

std::string developer(std::string_view key) {
    return LEREGISTRO("balcora", kDeveloperSection, key);
}

std::string two(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n);
    return text;
}

std::string month_text(const BuyerSalesRequest& r) {
    return std::to_string(r.year) + two(r.month);
}

util::DayNumber first_day(const BuyerSalesRequest& r) {
    return util::day_number(r.year, r.month, 1);
}

util::DayNumber last_day(const BuyerSalesRequest& r) {
    return r.month == 12 ? util::day_number(r.year, 12, 31)
                         : util::day_number(r.year, r.month + 1, 1) - 1;
}

// Taken once, so every Z4 of one file carries the same stamp.
std::string generation_stamp() {
    const platform::LocalTime t = clock().now();
    return std::to_string(t.year) + two(t.month) + two(t.day) + two(t.hour) + two(t.minute) +
           two(t.second);
}

void end_line() {
    GRAVACAMPO("\r\n", -1);
}

// Z1 to Z3: the shop, the developer and the program. False when the
// company's query failed (already shown).
bool write_header() {
    db::SqlRecord company;
    if (!db::read_rows("SELECT cnpj,inscr_estadual,inscr_municipal,razao_social FROM "
                       "balcora.empresa WHERE id_empresa=" +
                           std::to_string(glo::id_empresa) + ";",
                       company))
        return false;
    GRAVACAMPO("Z1", "A", 2);
    GRAVACAMPO(company.text("cnpj"), "N", 14);
    GRAVACAMPO(company.text("inscr_estadual"), "A", 14);
    GRAVACAMPO(company.text("inscr_municipal"), "A", 14);
    GRAVACAMPO(company.text("razao_social"), 50);
    end_line();

    GRAVACAMPO("Z2", "A", 2);
    GRAVACAMPO(developer("cnpj"), "N", 14);
    GRAVACAMPO(developer("ie"), "A", 14);
    GRAVACAMPO(developer("im"), "A", 14);
    GRAVACAMPO(developer("razao"), 50);
    end_line();

    GRAVACAMPO("Z3", "A", 2);
    GRAVACAMPO(developer("laudo"), 10);
    GRAVACAMPO(developer("nomesoft"), 50);
    GRAVACAMPO(developer("versaosoft"), 10);
    end_line();
    return true;
}

// One Z4 per identified buyer; nothing when the query failed (shown).
std::optional<int> write_buyers(const BuyerSalesRequest& request, const std::string& stamp) {
    const std::string statement = buyer_sales_statement(request);
    if (request.show_statement) prompt().message("Aviso", statement, ui::Icon::kInformation);
    db::SqlRecord rows;
    if (!db::read_rows(statement, rows)) return std::nullopt;
    int count = 0;
    // The statement's text is fixed and shown as it stands, and its two
    // periods share the name to_char: read by position, the columns of the
    // shared record's walk.
    for (; rows.has_row(); rows.next()) {
        if (rows.C(1).empty()) continue;  // consumers who gave no document
        const auto cents = util::read_units(rows.C(2), 2, util::ExcessDecimals::kTruncate).value;
        GRAVACAMPO("Z4", 2);
        GRAVACAMPO(rows.C(1), "N", 14);
        GRAVACAMPO(std::to_string(cents), "N", 14);
        GRAVACAMPO(rows.C(3), "N", 8);
        GRAVACAMPO(rows.C(4), "N", 8);
        GRAVACAMPO(stamp, 14);
        end_line();
        ++count;
    }
    return count;
}

void write_trailer(int count) {
    GRAVACAMPO("Z9", "A", 2);
    GRAVACAMPO(developer("cnpj"), "N", 14);
    GRAVACAMPO(developer("ie"), "A", 14);
    GRAVACAMPO(std::to_string(count), "N", 6);
    end_line();
}

// Writes the records under `draft`; false once a failure was shown.
bool write_file(const BuyerSalesRequest& request, const std::string& draft,
                const std::string& stamp) {
    db::set_output_file_name(draft);
    if (int code = db::create_output_file(); code != 0) {
        prompt().message("Erro", "Erro (" + std::to_string(code) + ") ao criar o arquivo " + draft,
                         ui::Icon::kError);
        return false;
    }
    db::OutputFileCloser closer;
    if (!write_header()) return false;
    const std::optional<int> count = write_buyers(request, stamp);
    // A file that said "no identified sale" because its query failed would
    // be a false statement to the tax authority.
    if (!count) return false;
    write_trailer(*count);
    // A failed write or close was shown by the writer.
    return db::close_output_file() == 0 && !db::output_file_failed();
}

// A buyer's document as one key however it was typed or stored: its digits
// (punctuation and stray letters dropped), a CPF zero-filled to 11 and a
// CNPJ to 14, as buyer_digits() makes of what the operator types. Without it
// a punctuated invoice CPF would be a second buyer, and a CPF stored without
// its leading zero would never match the one typed. The session reads
// backslashes in literals as escapes, so the pattern \D (every non-digit) is
// written with its backslash doubled.
std::string buyer_key(const std::string& column) {
    const std::string digits = "regexp_replace(" + column + ",'\\\\D','','g')";
    return "CASE WHEN length(" + digits + ") BETWEEN 1 AND 11 THEN lpad(" + digits +
           ",11,'0') WHEN length(" + digits + ") BETWEEN 12 AND 14 THEN lpad(" + digits +
           ",14,'0') ELSE " + digits + " END";
}

}  // namespace

std::string buyer_digits(std::string_view typed) {
    std::string digits = SONUMEROS(typed);
    if (digits.empty() || digits.size() > kCnpjDigits) return digits;
    const std::size_t width = digits.size() <= kCpfDigits ? kCpfDigits : kCnpjDigits;
    return std::string(width - digits.size(), '0') + digits;
}

std::string mask_buyer(std::string_view typed) {
    const std::string digits = buyer_digits(typed);
    const std::string_view mask =
        digits.size() == kCpfDigits ? "###.###.###-##" : "##.###.###/####-##";
    if (digits.size() != kCpfDigits && digits.size() != kCnpjDigits) return digits;
    std::string shown;
    std::size_t next = 0;
    for (char m : mask) shown += m == '#' ? digits[next++] : m;
    return shown;
}

std::string buyer_sales_statement(const BuyerSalesRequest& request) {
    const std::string company = std::to_string(glo::id_empresa);
    const std::string start = DTSQL(first_day(request));
    const std::string end = DTSQL(last_day(request));
    // In the same form as the rows' keys, and still through TXTSQL: nothing
    // typed reaches the text raw.
    const std::string filter =
        request.buyer.empty() ? "1=1" : "cpf_cnpj=" + TXTSQL(buyer_digits(request.buyer));
    // The order is by bytes: under a language's collation blanks may weigh
    // nothing and a long CPF would sort among the CNPJs.
    const std::string invoice_buyer = buyer_key("cpf_cnpj_adquirente");
    const std::string customer_buyer = buyer_key("cgcpf");
    return "SELECT a.cpf_cnpj,sum(vl_total) as vl_total,to_char(min(dt1),'YYYYMMDD'),"
           "to_char(max(dt2),'YYYYMMDD') FROM ( "
           "SELECT " +
           invoice_buyer +
           " as cpf_cnpj,sum(vl_total) as vl_total,"
           "min(dt_emissao) as dt1, max(dt_emissao) as dt2 FROM balcora.nf WHERE id_empresa=" +
           company + " AND status='E' AND dt_emissao BETWEEN " + start + " AND " + end +
           " GROUP BY " + invoice_buyer + " UNION ALL SELECT " + customer_buyer +
           " as cpf_cnpj,sum(total) as vl_total,min(a.data) as dt1, max(a.data) as dt2"
           " FROM balcora.cfiscal A LEFT OUTER JOIN balcora.cliente B ON "
           "(a.id_cliente=b.id_cliente) WHERE id_empresa=" +
           company + " AND situacao='E' AND a.data BETWEEN " + start + " AND " + end +
           " GROUP BY " + customer_buyer + " ) A WHERE " + filter +
           " GROUP BY a.cpf_cnpj ORDER BY lpad(a.cpf_cnpj,20) COLLATE \"C\";";
}

std::string buyer_sales_file(const BuyerSalesRequest& request) {
    std::string name = "vendascpfcnpj_" + month_text(request);
    if (!request.buyer.empty()) name += "_" + request.buyer;
    return (pafecf_folder() / (name + ".txt")).string();
}

BuyerSalesResult generate_buyer_sales(const BuyerSalesRequest& request) {
    BuyerSalesResult result;
    result.file = buyer_sales_file(request);
    const std::string stamp = generation_stamp();
    const std::string draft = result.file + ".tmp";
    std::error_code ec;
    auto discard = [&] { fs::remove(draft, ec); };

    if (!write_file(request, draft, stamp)) {
        discard();
        return result;
    }
    if (!ASSINATURAEAD(draft)) {
        discard();
        prompt().message("Erro", "Erro na assinatura do arquivo: " + result.file, ui::Icon::kError);
        return result;
    }
    std::error_code renamed;
    fs::rename(draft, result.file, renamed);
    if (renamed) {
        discard();
        prompt().message(
            "Erro",
            "Erro (" + std::to_string(renamed.value()) + ") ao criar o arquivo " + result.file,
            ui::Icon::kError);
        return result;
    }
    result.ok = true;
    prompt().message("Aviso", "Arquivo \"" + result.file + "\" gerado com sucesso!",
                     ui::Icon::kInformation);
    return result;
}

}  // namespace balcora::fiscal
