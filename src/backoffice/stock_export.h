#pragma once

#include "backoffice/backoffice_link.h"
#include "util/day_number.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// "Atualizar Estoque/Gestão" (ATUALIZAESTOQUEGESTAO): the quantities the
// checkout sold per product and day written to the back office's stock
// movements, replacing what an earlier run of this checkout wrote from the
// same first day (its rows carry its printer's number: the shop's other
// checkouts export into the same table), and the back office's stock
// balances copied back into the products. Each company's movements are
// replaced in one back-office transaction, so a refused movement leaves the
// earlier run's rows in place; the first day moves on only once the back
// office took them, never past the cash day still open.
namespace balcora::backoffice {

// How the window was asked for: from the menu (" "), at start-up when the
// automatic export is on ("1"), or at start-up once a day ("2").
enum class ExportMode { kMenu, kAutomatic, kDaily };

struct StockExportSettings {
    LinkSettings link;
    std::int32_t emp_secundaria = 0;  // "EmpSecundaria": also exported; 0 none
    bool automatic = true;            // "AtEstAutomatico": off disables the export
    std::int32_t local_estoque = 1;   // "LocalEstoque": the back office's stock location
};

StockExportSettings read_stock_export_settings();
// With type IP the server is also stored as the address. False when a
// setting could not be written.
bool write_stock_export_settings(const StockExportSettings& settings);

// "Data Estoque": the first day the next run exports (2010-01-01 unset).
util::DayNumber stock_export_start();

// Whether the window opens in that mode.
bool stock_export_wanted(ExportMode mode);

class StockExportScreen {
  public:
    static constexpr const char* kTitle = "Atualizar Estoque/Gestão";
    // Movements sent to the back office per statement.
    static constexpr std::size_t kRowsPerStatement = 500;

    explicit StockExportScreen(ExportMode mode = ExportMode::kMenu);

    // Reads the settings; shows "DESATIVADO" when the export is off.
    void open();
    StockExportSettings settings;
    // The settings fields are locked until Ctrl+A.
    bool settings_unlocked() const { return unlocked_; }
    void unlock_settings() { unlocked_ = true; }
    // "&Gravar".
    bool save();

    // "&Atualizar ". False when nothing was done or it stopped (shown).
    // `focus_server` is set when the server is missing.
    bool run();
    bool focus_server() const { return focus_server_; }

    const std::string& status() const { return status_; }
    void on_status(std::function<void(const std::string&)> listener);

  private:
    void set_status(std::string text);
    bool export_company(std::int32_t company, util::DayNumber start, util::DayNumber& last_day);
    bool copy_balances(std::int32_t company, util::DayNumber start);
    bool publish_digest();

    ExportMode mode_;
    std::int32_t printer_ = 0;  // this checkout's printer number: the key of its movements
    bool unlocked_ = false;
    bool focus_server_ = false;
    std::string status_;
    std::function<void(const std::string&)> listener_;
};

}  // namespace balcora::backoffice
