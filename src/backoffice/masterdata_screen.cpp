#include "backoffice/masterdata_screen.h"

#include "db/literals.h"
#include "db/sql_runner.h"
#include "ui/environment.h"
#include "util/text.h"

#include <cstdio>

namespace balcora::backoffice {

namespace {

std::vector<std::string> column_of(const std::string& query) {
    std::vector<std::string> out;
    db::SqlRecord r;
    if (!db::read_rows(query, r)) return out;
    for (; r.has_row(); r.next())
        if (!util::trim(r.C(1)).empty()) out.push_back(util::trim(r.C(1)));
    return out;
}

std::string three_digits(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

}  // namespace

MasterDataScreen::MasterDataScreen(std::string printer_serial, HostResolver resolver)
    : serial_(std::move(printer_serial)), resolver_(std::move(resolver)) {}

void MasterDataScreen::open() {
    options = read_masterdata_options();
    focus_ = Field::kNone;
    results_.clear();
    elapsed_ = -1;
    status_.clear();
}

std::vector<std::string> MasterDataScreen::brands() const {
    return column_of("SELECT distinct(marca) FROM balcora.modecf ORDER BY 1;");
}

std::vector<std::string> MasterDataScreen::models(const std::string& brand) const {
    return column_of("SELECT distinct(modelo) FROM balcora.modecf where marca=" + TXTSQL(brand) +
                     " ORDER BY 1;");
}

std::vector<std::string> MasterDataScreen::terminal() const {
    return {three_digits(options.num_ecf), options.marca + "/" + options.modelo, options.ip};
}

bool MasterDataScreen::save() {
    return write_masterdata_options(options);
}

MasterDataScreen::Field MasterDataScreen::missing_field() const {
    if (options.tp_preco != 1) return Field::kTpPreco;
    if (options.preco < 1 || options.preco > 3) return Field::kPreco;
    if (options.empresa <= 0) return Field::kEmpresa;
    if (options.num_ecf <= 0) return Field::kNumEcf;
    if (util::trim(options.marca).empty()) return Field::kMarca;
    if (util::trim(options.modelo).empty()) return Field::kModelo;
    if (options.busca_noip && util::trim(options.noip).empty()) return Field::kNoip;
    if (util::trim(options.db).empty()) return Field::kDb;
    return Field::kNone;
}

void MasterDataScreen::set_status(const std::string& text) {
    status_ = text;
    if (status_hook) status_hook(text);
    if (on_status) on_status();
}

bool MasterDataScreen::atualizar() {
    focus_ = missing_field();
    if (focus_ != Field::kNone) {
        prompt().message("Aviso", "Preencha a configuração da atualização!", ui::Icon::kWarning);
        return false;
    }
    if (!save()) return false;
    if (options.busca_noip) {
        std::string why;
        auto address = resolver_(util::trim(options.noip), &why);
        if (!address) {
            prompt().message(
                "Erro", "Não foi possível encontrar o endereço de " + options.noip + ": " + why,
                ui::Icon::kError);
            focus_ = Field::kNoip;
            return false;
        }
        options.ip = *address;
        save();
    }
    if (util::trim(options.ip).empty()) {
        prompt().message(
            "Aviso",
            "Terminal(" + three_digits(options.num_ecf) + ") sem endereço do NO IP cadastrado!",
            ui::Icon::kWarning);
        focus_ = Field::kIp;
        return false;
    }
    MasterDataUpdate update(options, serial_, [this](const std::string& s) { set_status(s); });
    const bool ok = update.run();
    results_ = update.results();
    elapsed_ = update.elapsed_seconds();
    options = read_masterdata_options();
    set_status(ok ? "Atualização concluída."
                  : "Atualização não concluída: " + update.failed_step());
    return ok;
}

std::string MasterDataScreen::elapsed_text() const {
    if (elapsed_ < 0) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%.1f s", elapsed_);
    return text;
}

}  // namespace balcora::backoffice
