#pragma once

#include <cstdint>
#include <string_view>

namespace balcora {

// Records one non-fiscal document the printer has just issued (management
// report "RG", credit/debit receipt "CC"), with the printer's counters, and
// seals it with its hash. Reached by the printer driver through the
// GRAVADOCEMITIDOSECF entry of ecf/driver_abi.h after the program registers a
// document; the program itself never calls it. `valor` is the amount in
// centavos as digits ("1250" is 12,50). False after the failure was shown.
bool register_issued_document(std::string_view tipo, std::int32_t num_cro, std::int32_t num_coo,
                              std::int32_t num_ccf, std::int32_t num_gnf, std::int32_t num_grg,
                              std::int32_t num_cdc, std::string_view valor);

}  // namespace balcora
