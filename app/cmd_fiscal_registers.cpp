#include "app/commands.h"
#include "fiscal/paf_registers.h"
#include "globals/globals.h"
#include "shell/startup.h"
#include "util/day_number.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace balcora::app {

namespace {

int usage() {
    std::fputs(
        "Uso: balcora fiscal registers --from DATA --to DATA [--products ID,...]\n"
        "     (datas DD/MM/AAAA ou AAAA-MM-DD; --products gera o estoque parcial)\n",
        stderr);
    return 2;
}

util::DayNumber date_of(const std::string& text) {
    util::DayNumber d = util::parse_br_date(text);
    return d > 0 ? d : util::parse_iso_date(text);
}

// "12,15,7" -> ids; false on anything that is not a positive number.
bool product_list(const std::string& text, std::vector<std::int64_t>& out) {
    std::size_t at = 0;
    while (at <= text.size()) {
        const std::size_t comma = std::min(text.find(',', at), text.size());
        const std::string one = text.substr(at, comma - at);
        char* end = nullptr;
        const long long id = std::strtoll(one.c_str(), &end, 10);
        if (one.empty() || *end != '\0' || id <= 0) return false;
        out.push_back(id);
        at = comma + 1;
    }
    return !out.empty();
}

}  // namespace

int run_fiscal_registers(CommandLine& cl) {
    std::vector<std::string> args = cl.args;
    if (!args.empty() && args[0] == "registers") args.erase(args.begin());
    fiscal::RegistersRequest request;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i + 1 >= args.size()) return usage();
        const std::string& value = args[++i];
        if (args[i - 1] == "--from") {
            request.start = date_of(value);
        } else if (args[i - 1] == "--to") {
            request.end = date_of(value);
        } else if (args[i - 1] == "--products") {
            if (!product_list(value, request.products)) {
                std::fprintf(stderr, "balcora fiscal registers: lista de produtos invalida: %s\n",
                             value.c_str());
                return 2;
            }
            request.stock_option = 2;
        } else {
            return usage();
        }
    }
    if (request.start <= 0 || request.end <= 0) {
        std::fputs("balcora fiscal registers: informe --from e --to com datas validas\n", stderr);
        return usage();
    }
    if (!open_program_database(cl)) return 1;
    const auto company = shell::find_active_company();
    if (!company) {
        std::fputs("balcora fiscal registers: nenhuma empresa ativa cadastrada\n", stderr);
        return 1;
    }
    glo::id_empresa = company->id;
    const fiscal::RegistersResult result = fiscal::generate_paf_registers(request);
    if (!result.ok) return 1;
    std::printf("%s\n", result.file.c_str());
    return 0;
}

}  // namespace balcora::app
