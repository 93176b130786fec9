#include "ecf/printer_configuration_check.h"

#include "db/literals.h"
#include "db/settings.h"
#include "db/sql_runner.h"
#include "ecf/fiscal_printer.h"
#include "ecf/maqecf_record.h"
#include "globals/globals.h"
#include "ui/environment.h"
#include "util/day_number.h"
#include "util/text.h"

namespace balcora::ecf {

namespace {

using Outcome = PrinterCheck::Outcome;

// Printers serviced from this day on must run under Convênio ICMS 09/09.
const util::DayNumber kConvenio0909Start = util::day_number(2015, 7, 1);

void warn(const std::string& text) {
    prompt().message("Aviso", text, ui::Icon::kWarning);
}

}  // namespace

PrinterCheck check_printer_configuration() {
    // The printer's own brand and model tell a printer whose model is
    // missing from modecf apart from no printer at all.
    db::SqlRecord row;
    db::read_rows(
        "SELECT b.mfd,b.marca,b.modelo,b.id_modecf,a.porta_com,b.cv0909,"
        "to_char(a.dt1,'dd/mm/yyyy') AS dt1,a.marca AS own_marca,a.modelo AS own_modelo "
        "FROM balcora.maqecf A "
        "LEFT OUTER JOIN balcora.modecf B ON (a.cod_marca=b.cod_marca AND "
        "a.cod_modelo=b.cod_modelo AND a.cod_versao=b.cod_versao) WHERE num_serie=$1 LIMIT 1",
        {glo::numfab}, row);
    PrinterCheck check;
    const bool registered = row.has_row();
    glo::mfd = text_to_integer(row.text("mfd")) != 0 ? 1 : 0;
    glo::cv0909 = text_to_integer(row.text("cv0909")) != 0 ? 1 : 0;
    const std::string brand = util::trim(row.text("marca"));
    const std::string model_id = util::trim(row.text("id_modecf"));
    const std::string own_brand = util::trim(row.text("own_marca"));
    const std::string own_model = util::trim(row.text("own_modelo"));
    const bool model_found = !model_id.empty();
    check.marca = model_found ? brand : own_brand;
    check.modelo = model_found ? util::trim(row.text("modelo")) : own_model;
    check.porta_com = static_cast<int>(text_to_integer(row.text("porta_com")));
    const util::DayNumber dt1 = util::parse_br_date(row.text("dt1"));

    rec::maqecf.marca = check.marca;
    rec::maqecf.modelo = check.modelo;
    rec::maqecf.porta_com = check.porta_com;

    if (check.marca == "DEMO") {
        check.outcome = Outcome::kDemo;
    } else if (!registered) {
        warn("ECF não configurada para o número de fabricação (" + glo::numfab +
             ") informado no arquivo criptogravado!");
        check.outcome = Outcome::kNotRegistered;
    } else if (!model_found) {
        warn(check.marca + " " + check.modelo +
             " não encontrado no cadastro de marca/modelo de ECF!");
        check.outcome = Outcome::kModelMissing;
    } else if (glo::cv0909 || dt1 < kConvenio0909Start) {
        // A printer without a recorded intervention date counts as serviced
        // before the convênio took effect.
        check.outcome =
            printer().configure() ? Outcome::kConfigured : Outcome::kConfigurationFailed;
    } else {
        warn(
            "ECF cadastrado com data de interveção Técnica maior ou igual há 01-07-2015 deve ser "
            "configurado para Convênio ICMS 09/09!");
        check.outcome = Outcome::kNeedsConvenio0909;
    }
    return check;
}

}  // namespace balcora::ecf
