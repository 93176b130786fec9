#pragma once

#include "util/day_number.h"

#include <cstdint>
#include <string>
#include <vector>

namespace balcora::fiscal {

// What every block of the registers file reads besides its own rows.
struct RegistersContext {
    std::int64_t id_empresa = 0;
    std::int64_t id_maqecf = 0;
    util::DayNumber start = 0;
    util::DayNumber end = 0;

    // The company.
    std::string razao_social, cnpj, inscr_estadual, inscr_municipal;
    std::string dt_estoque, hr_estoque;  // yyyymmdd, hhmmss; empty when unset

    // The printer.
    std::string num_serie, marca, modelo, mf_adicional, versao_sb, num_prop_ecf;
    std::string data_sb, hora_sb, numero;  // yyyymmdd, hhmmss, 3 digits

    // Hash tests of the frame. A failed printer or company row marks the
    // printer's model in E3, R01 and every movement record; the developer
    // identification marks R01 only.
    bool printer_intact = true;
    bool company_intact = true;
    bool developer_intact = true;

    bool partial_stock = false;
    std::vector<std::int64_t> products;

    // Payments whose COO the R07 block found empty: filled in after the file
    // is safely written. `rehash` holds those whose digest was intact, so a
    // tampered row is not given a fresh digest that would hide it.
    std::vector<std::int64_t> coo_backfill;
    std::vector<std::int64_t> coo_backfill_rehash;
};

// Each writes its records through the field writer. False when a query failed
// or a value could not be written (shown); the file is then not to be used.
bool write_u1(const RegistersContext& c);
bool write_a2(const RegistersContext& c);
bool write_p2(const RegistersContext& c);
bool write_e2(const RegistersContext& c);
bool write_e3(const RegistersContext& c);
bool write_r01(const RegistersContext& c);
bool write_r02(const RegistersContext& c);
bool write_r03(const RegistersContext& c);
bool write_r04(const RegistersContext& c);
bool write_r05(const RegistersContext& c);
bool write_r06(const RegistersContext& c);
bool write_r07(RegistersContext& c);
bool write_j1(const RegistersContext& c);
bool write_j2(const RegistersContext& c);

// The queries of the movement blocks, each yielding a record's variable
// fields in order; shared with the benchmark, which copies the same rows.
std::vector<std::string> movement_queries(const RegistersContext& c);

// Every blank of the text, padded to the width, made "?": how the file shows
// a record whose content no longer matches its digest.
std::string marked(std::string_view text, int width);

}  // namespace balcora::fiscal
