#pragma once

#include "util/day_number.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace balcora {

// One row of balcora.maqecf, the store's fiscal printers. Numbers read from a
// NULL column are 0, dates 0, texts blank.
struct MaqecfRecord {
    std::int32_t id_maqecf = 0;
    std::int32_t id_empresa = 0;
    std::int32_t numero = 0;
    std::string marca;
    std::string modelo;
    std::int32_t porta_com = 0;  // 1..8 COM port, 99 USB
    std::string modelo_doc_fiscal;
    std::string num_serie;
    std::int32_t modelo_scanner = 0;     // 0 none, 1 Metrologic, 2 Symbol, 3 Bematech
    std::int32_t porta_com_scanner = 0;  // 1..4 COM port, 99 USB/keyboard
    std::string situacao;                // "A" day open, "F" closed
    util::DayNumber data_sit = 0;
    util::DayNumber dt1 = 0;  // last technical intervention
    util::DayNumber dt2 = 0;
    std::int32_t horario_verao = 0;
    std::int32_t gera_est_gerencial = 0;
    util::DayNumber data_reducaoz = 0;
    std::int32_t num_prop_ecf = 0;
    std::int32_t cod_marca = 0;
    std::int32_t cod_modelo = 0;
    std::int32_t cod_versao = 0;
    std::string hash;  // stored by the database
    std::string versao_sb;
    util::DayNumber data_sb = 0;
    std::string hora_sb;  // "hh:mm:ss", blank when none
    std::string mf_adicional;
    std::int64_t num_cred_ecf = 0;

    bool operator==(const MaqecfRecord&) const = default;
};

namespace rec {
// The shared printer record: start-up leaves the authorised printer's brand,
// model and port here, and the registration form puts the configuration it is
// about to store here before CMD_CONFIGURE_PRINTER, which the driver reads.
extern MaqecfRecord maqecf;
}  // namespace rec

namespace ecf {

// Reads the printer row matching an SQL condition over maqecf's columns into
// the record; false when there is none or the query failed (shown).
bool load_maqecf(std::string_view condition, MaqecfRecord& out);
bool load_maqecf_by_id(std::int32_t id_maqecf, MaqecfRecord& out);
bool load_maqecf_by_serial(std::string_view num_serie, MaqecfRecord& out);

// "col, col, ..." and "value, value, ..." of every column the program writes
// (all but the hash, which the database computes), for INSERT and UPDATE.
std::string maqecf_columns();
std::string maqecf_values(const MaqecfRecord& r);
std::string maqecf_assignments(const MaqecfRecord& r);

}  // namespace ecf
}  // namespace balcora
