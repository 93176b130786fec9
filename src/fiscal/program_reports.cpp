#include "fiscal/program_reports.h"

#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/aux_file.h"
#include "ecf/fiscal_printer.h"
#include "globals/globals.h"
#include "util/text.h"

namespace balcora::fiscal {

namespace {

std::string developer(std::string_view key) {
    return LEREGISTRO("balcora", "Desenvolvedor PAF-ECF", key);
}

std::string line(std::string_view text) {
    return std::string(text) + "\r\n";
}

// One management report of the given blocks, registered as an "RG" like
// every management report the program prints.
bool print_report(const std::vector<std::string>& blocks) {
    ecf::Printer& printer = ecf::printer();
    if (!printer.open_report()) return false;
    bool printed = true;
    for (const auto& block : blocks)
        if (!(printed = printer.report_line(block))) break;
    printed = printer.close_report() && printed;
    if (printed) printer.register_document(ecf::Document::kManagementReport, util::Money{});
    return printed;
}

}  // namespace

std::string centred(std::string_view text, std::size_t width) {
    std::size_t n = util::character_count(text);
    return std::string(n < width ? (width - n) / 2 : 0, ' ') + std::string(text);
}

std::string right_aligned(std::string_view text, std::size_t width) {
    std::size_t n = util::character_count(text);
    return std::string(n < width ? width - n : 0, ' ') + std::string(text);
}

std::vector<std::string> identification_report_blocks() {
    std::vector<std::string> blocks;
    std::string b = line(centred("IDENTIFICAÇÃO DO PAF-ECF", 48)) + line("");
    b += line("Nº do laudo: " + developer("laudo")) + line(" ");
    b += line("Identicação da empresa desenvolvedora:");
    for (const char* key : {"cnpj", "razao", "endereco"}) b += line(" " + developer(key));
    b += line(" " + developer("municipio") + " " + developer("uf"));
    for (const char* key : {"fone", "contato"}) b += line(" " + developer(key));
    b += line("");
    b += line("Identicação do PAF-ECF:");
    b += line(" " + developer("nomesoft") + " - Versão: " + developer("versaosoft")) + line("");
    blocks.push_back(std::move(b));

    db::SqlRecord rec;
    if (db::read_rows("SELECT ordem, nome, pasta, cod_md5 FROM balcora.arquivo ORDER BY ordem;",
                      rec))
        for (; rec.has_row(); rec.next()) {
            if (rec.text("cod_md5").empty()) continue;
            std::string row = line(rec.text("nome")) + line(right_aligned(rec.text("cod_md5"), 48));
            if (rec.text("ordem") == "1") row += line("");
            blocks.push_back(std::move(row));
        }

    std::string last = line("md5.txt") + line(right_aligned(glo::md5txt, 48));
    last += line("Versão da ER PAF-ECF: " + developer("er-paf-ecf"));
    last += line("Data Emissão Laudo  : " + developer("laudo-data"));
    last += line("ECF Autorizado: " + glo::numfab);
    blocks.push_back(std::move(last));
    return blocks;
}

std::vector<std::string> configuration_report_blocks() {
    const std::string rule(46, '=');
    return {line(rule) + line(centred("PARAMETROS DE CONFIGURAÇÃO", 47)) + line(rule) + line(""),
            line("PERFIL DE REQUISITOS CONFIGURADO: V") + line(std::string(46, '-'))};
}

bool print_identification_report() {
    if (!ecf::printer().read_printer_info() || !ecf::printer().check_printer()) return false;
    // The authorised printer and the files' digest come from the auxiliary
    // file; a report without them would certify nothing.
    if (!LEARQAUXILIAR()) return false;
    return print_report(identification_report_blocks());
}

bool print_configuration_report() {
    if (!ecf::printer().check_printer()) return false;
    if (!LEARQAUXILIAR()) return false;
    return print_report(configuration_report_blocks());
}

}  // namespace balcora::fiscal
