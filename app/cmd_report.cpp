#include "app/commands.h"
#include "globals/globals.h"
#include "gui/reports/report_pages.h"
#include "reports/sales_report.h"
#include "shell/startup.h"
#include "ui/environment.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace balcora::app {

namespace {

int usage() {
    std::fputs(
        "Uso: balcora report --model N --from DATA --to DATA --pdf ARQUIVO\n"
        "\n"
        "Escreve em PDF o relatorio de vendas do periodo (datas AAAA-MM-DD ou\n"
        "DD/MM/AAAA), sem precisar de display. Modelos: 1 Resumido, 2 Por Produto,\n"
        "3 Movimentacao (PAF), 4 Resumido (Texto).\n",
        stderr);
    return 2;
}

int refuse(const char* why) {
    std::fprintf(stderr, "balcora report: %s\n", why);
    return 2;
}

util::DayNumber parse_day(const std::string& text) {
    const util::DayNumber iso = util::parse_iso_date(text);
    return iso > 0 ? iso : util::parse_br_date(text);
}

}  // namespace

int run_report_command(CommandLine& cl, const std::filesystem::path& launch_dir) {
    std::string model_text, from_text, to_text, pdf_text;
    const auto& a = cl.args;
    for (std::size_t k = 0; k < a.size(); k += 2) {
        if (k + 1 >= a.size()) return usage();
        if (a[k] == "--model")
            model_text = a[k + 1];
        else if (a[k] == "--from")
            from_text = a[k + 1];
        else if (a[k] == "--to")
            to_text = a[k + 1];
        else if (a[k] == "--pdf")
            pdf_text = a[k + 1];
        else
            return usage();
    }
    if (model_text.empty() || from_text.empty() || to_text.empty() || pdf_text.empty())
        return usage();
    if (model_text.size() != 1 || model_text[0] < '1' || model_text[0] > '4')
        return refuse("--model deve ser 1, 2, 3 ou 4");
    const util::DayNumber from = parse_day(from_text), to = parse_day(to_text);
    if (from <= 0) return refuse("--from nao e uma data valida");
    if (to <= 0) return refuse("--to nao e uma data valida");
    if (to < from) return refuse("--to e anterior a --from");
    const std::filesystem::path pdf = launch_dir / pdf_text;

    if (!open_program_database(cl)) return 1;
    const auto company = shell::find_active_company();
    if (!company) {
        std::fputs("balcora report: nao ha empresa ativa\n", stderr);
        return 1;
    }
    glo::id_empresa = company->id;
    const auto report = reports::build_sales_report(
        static_cast<reports::SalesReportModel>(model_text[0] - '0'), from, to, clock().now());
    if (!report) return 1;

    // The charts are drawn by widgets of Qt; without a display they draw offscreen.
    if (!std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    int argc = 1;
    char name[] = "balcora";
    char* argv[] = {name, nullptr};
    QApplication qt(argc, argv);
    if (!gui::write_sales_report_pdf(*report, QString::fromStdString(pdf.string()))) {
        std::fprintf(stderr, "balcora report: nao foi possivel gravar %s\n", pdf.c_str());
        return 1;
    }
    std::printf("%s\n", pdf.c_str());
    return 0;
}

}  // namespace balcora::app
