#include "app/blocox_commands.h"
#include "blocox/stock_xml.h"
#include "blocox/z_reduction_xml.h"
#include "db/literals.h"
#include "db/sql_runner.h"
#include "ecf/aux_file.h"
#include "globals/globals.h"
#include "shell/startup.h"
#include "util/day_number.h"
#include "util/fixed_point_text.h"
#include "util/text.h"

#include <cstdio>
#include <map>
#include <optional>
#include <string>

namespace balcora::app {

namespace {

// "--name value" pairs; nullopt for anything else or a name not allowed.
std::optional<std::map<std::string, std::string>> options(
    const std::vector<std::string>& a, std::initializer_list<const char*> names) {
    std::map<std::string, std::string> out;
    for (std::size_t k = 0; k < a.size(); k += 2) {
        if (k + 1 >= a.size()) return std::nullopt;
        bool known = false;
        for (const char* n : names) known = known || a[k] == n;
        if (!known) return std::nullopt;
        out[a[k]] = a[k + 1];
    }
    return out;
}

int refuse(const char* command, const std::string& why, int code) {
    std::fprintf(stderr, "balcora blocox %s: %s\n", command, why.c_str());
    return code;
}

// The reduction of the day: of the authorised printer (or --serie); without
// either, the day's only one.
std::optional<std::int32_t> reduction_of(util::DayNumber day, const std::string& serial) {
    std::string sql =
        "SELECT m.id_reg60m, m.num_cont_red_z, q.num_serie FROM balcora.reg60m m "
        "LEFT JOIN balcora.maqecf q ON q.id_maqecf=m.id_maqecf WHERE m.data=" +
        DTSQL(day);
    if (!serial.empty()) sql += " AND trim(q.num_serie)=" + TXTSQL(serial);
    const auto r = db::run_sql(sql + " ORDER BY m.id_reg60m;");
    if (!r) return std::nullopt;
    if (r->rows() == 0) {
        refuse("z-xml",
               "nao ha reducao Z do dia " + util::br_date(day) +
                   (serial.empty() ? "" : " da impressora " + serial),
               1);
        return std::nullopt;
    }
    if (r->rows() > 1) {
        refuse("z-xml", "ha reducoes Z de varias impressoras nesse dia: informe --serie", 2);
        return std::nullopt;
    }
    if (util::read_integer(r->value(0, 1)).value == 0) {
        refuse("z-xml", "a reducao Z do dia " + util::br_date(day) + " esta incompleta (CRZ 0)", 1);
        return std::nullopt;
    }
    return static_cast<std::int32_t>(util::read_integer(r->value(0, 0)).value);
}

int run_z_xml(CommandLine& cl) {
    const auto o = options(cl.args, {"--day", "--serie"});
    if (!o || !o->count("--day"))
        return refuse("z-xml", "uso: balcora blocox z-xml --day AAAA-MM-DD [--serie SERIE]", 2);
    const std::string& text = o->at("--day");
    const util::DayNumber day = text.find('/') != std::string::npos ? util::parse_br_date(text)
                                                                    : util::parse_iso_date(text);
    if (day <= 0) return refuse("z-xml", "--day deve ser uma data valida (AAAA-MM-DD)", 2);
    if (!open_program_database(cl)) return 1;

    std::string serial = o->count("--serie") ? util::trim(o->at("--serie")) : "";
    if (serial.empty() && std::filesystem::exists(ecf::aux_file_path()) && LEARQAUXILIAR())
        serial = util::trim(glo::numfab);
    const auto id = reduction_of(day, serial);
    if (!id) return 1;
    const blocox::ZReductionXml xml = blocox::generate_z_reduction_xml(*id);
    if (!xml.ok) return 1;
    if (!xml.products_without_ncm.empty()) {
        std::fputs("Produtos sem NCM cadastrado (o arquivo nao pode ser transmitido):", stderr);
        for (std::int32_t p : xml.products_without_ncm) std::fprintf(stderr, " %d", p);
        std::fputs("\n", stderr);
    }
    std::printf("%s\n", xml.path.c_str());
    return 0;
}

// "YYYY-MM" is a month; "YYYY" the yearly inventory of 31 December.
std::optional<util::DayNumber> parse_period(const std::string& text) {
    if (text.size() == 4) {
        const auto y = util::read_integer(text);
        if (!y.valid || y.value < 1900) return std::nullopt;
        return util::day_number(static_cast<int>(y.value), 12, 31);
    }
    if (text.size() != 7 || text[4] != '-') return std::nullopt;
    const auto y = util::read_integer(text.substr(0, 4)), m = util::read_integer(text.substr(5));
    if (!y.valid || !m.valid || y.value < 1900) return std::nullopt;
    const util::DayNumber d =
        util::day_number(static_cast<int>(y.value), static_cast<int>(m.value), 1);
    if (d <= 0) return std::nullopt;
    return d;
}

int run_stock_xml(CommandLine& cl) {
    const auto o = options(cl.args, {"--period"});
    if (!o || !o->count("--period"))
        return refuse("stock-xml", "uso: balcora blocox stock-xml --period AAAA-MM (ou AAAA)", 2);
    const auto periodo = parse_period(o->at("--period"));
    if (!periodo) return refuse("stock-xml", "--period deve ser um mes AAAA-MM ou um ano AAAA", 2);
    if (!open_program_database(cl)) return 1;
    const auto company = shell::find_active_company();
    if (!company) return refuse("stock-xml", "nao ha empresa ativa", 1);

    blocox::StockPeriod period;
    period.id_empresa = company->id;
    period.periodo = *periodo;
    const auto exists = blocox::inventory_exists(period);
    if (!exists) return 1;
    if (!*exists)
        return refuse("stock-xml",
                      "nao ha inventario do dia " + util::br_date(blocox::reference_day(period)),
                      1);
    blocox::StockErrors errors;
    const auto path = blocox::generate_stock_xml(period, errors);
    if (!path) return 1;
    if (!errors.empty()) {
        std::fputs("Erros Bloco X (o arquivo nao pode ser transmitido):\n", stderr);
        for (const std::string& line : errors.report_lines())
            std::fprintf(stderr, "  %s\n", line.c_str());
    }
    std::printf("%s\n", path->c_str());
    return 0;
}

const BlocoxSubcommand kZXml{"z-xml", "--day AAAA-MM-DD [--serie SERIE]  XML da reducao Z do dia",
                             run_z_xml};
const BlocoxSubcommand kStockXml{"stock-xml", "--period AAAA-MM|AAAA  XML do estoque do periodo",
                                 run_stock_xml};

}  // namespace

}  // namespace balcora::app
