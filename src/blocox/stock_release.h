#pragma once

#include "util/day_number.h"
#include "util/fixed_point.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace balcora::blocox {

// One line of the release list, as shown.
struct StockReleaseLine {
    std::int32_t id_estoquex = 0;
    std::string periodo;     // mm/yyyy
    std::string enviar;      // "Sim" / "Não"
    std::string situacao;    // state text of sit_blocox
    std::string recibo;      // receipt of the authority
    std::string data_envio;  // dd/mm/yyyy
    std::string hora_envio;  // hh:mm
    std::string total_aquisicao;
};

// The text the screens show for a Bloco X state code ("P" -> "Pendente").
std::string blocox_state_text(std::string_view code);

// BROWSELIBENVEST, "Envio do Estoque - Bloco X": the stock periods of one
// year with their release and Bloco X state.
class StockReleaseBrowse {
  public:
    static constexpr const char* kTitle = "Envio do Estoque - Bloco X";

    StockReleaseBrowse();  // filtered on this year
    int year() const { return year_; }
    // False (shown) for a year outside 1900..9999.
    bool set_year(int year);
    bool reload();
    const std::vector<StockReleaseLine>& lines() const { return lines_; }
    std::optional<std::size_t> index_of(std::int32_t id_estoquex) const;

    // "E&xcluir": asks first, logs "EXC"; a period already transmitted is
    // kept (its receipt is the proof of delivery). True when deleted.
    bool remove(std::size_t index);
    // Runs the Bloco X query of transmitted stock files, then reloads.
    void query_authority();

  private:
    int year_ = 0;
    std::vector<StockReleaseLine> lines_;
};

enum class ReleaseFormMode { kInsert, kChange, kView };

// UPDATELIBENVEST, "Form estoquex": the release of one period and its totals.
class StockReleaseForm {
  public:
    static constexpr const char* kTitle = "Form estoquex";

    // A new period: the month after the latest one, or last month when
    // there is none; not released.
    bool open_insert();
    bool open(ReleaseFormMode mode, std::int32_t id_estoquex);

    ReleaseFormMode mode() const { return mode_; }
    bool read_only() const { return mode_ == ReleaseFormMode::kView; }

    std::string periodo_text() const;  // mm/yyyy
    // False (shown) when the text is not a month mm/yyyy.
    bool set_periodo(const std::string& text);
    bool released() const { return released_; }
    void set_released(bool yes) { released_ = yes; }
    util::Money vl_tot_aquisicao, vl_tot_icmsdebforne, vl_bc_calcicmsst, vl_tot_icmsst;

    std::int32_t id_estoquex() const { return id_; }
    // "&Ok": stores the row and logs "INC" or "ALT"; false (shown) when the
    // period is taken or the write failed.
    bool save();

  private:
    ReleaseFormMode mode_ = ReleaseFormMode::kInsert;
    std::int32_t id_ = 0;
    std::int32_t id_empresa_ = 0;
    util::DayNumber periodo_ = 0;
    bool released_ = false;  // lib_env "S"
    std::string sit_blocox_;
};

}  // namespace balcora::blocox
