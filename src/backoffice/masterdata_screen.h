#pragma once

#include "backoffice/host_address.h"
#include "backoffice/masterdata_update.h"

#include <functional>
#include <string>
#include <vector>

namespace balcora::backoffice {

// "Atualizar BD Balcora" (IMPORTACAOMORVELA): tab "Atualização" with the
// terminal, the result per table and "&Atualizar"; tab "Configuração" with
// the options of section "atbalcora", which the view edits in `options`.
class MasterDataScreen {
  public:
    // The field the operator is sent to when the update cannot start.
    enum class Field {
        kNone,
        kTpPreco,
        kPreco,
        kEmpresa,
        kNumEcf,
        kMarca,
        kModelo,
        kNoip,
        kDb,
        kIp
    };

    explicit MasterDataScreen(std::string printer_serial, HostResolver resolver = resolve_host);

    void open();
    MasterDataOptions options;

    // The brands of the printer models, and the models of a brand.
    std::vector<std::string> brands() const;
    std::vector<std::string> models(const std::string& brand) const;

    // The one terminal: "Nº ECF", "Marca/Modelo", "IP".
    std::vector<std::string> terminal() const;

    // Stores the options. False when a setting could not be written.
    bool save();
    // "&Atualizar": checks the configuration (sending the focus to the first
    // missing field), saves it, finds the address by the dynamic-DNS name
    // when asked to, and runs the update. True when it committed.
    bool atualizar();

    Field focus() const { return focus_; }
    const std::vector<TableResult>& results() const { return results_; }
    // "Tempo de Processamento:" of the last run.
    std::string elapsed_text() const;
    const std::string& status() const { return status_; }
    // Called whenever the status line changes, so the view repaints it.
    std::function<void()> on_status;
    // For the tests: sees every status the update passes through.
    std::function<void(const std::string&)> status_hook;

  private:
    Field missing_field() const;
    void set_status(const std::string& text);

    std::string serial_;
    HostResolver resolver_;
    Field focus_ = Field::kNone;
    std::vector<TableResult> results_;
    double elapsed_ = -1;
    std::string status_;
};

}  // namespace balcora::backoffice
