#pragma once

#include <cstdint>
#include <string_view>

namespace balcora {

// Records one non-fiscal document the printer has just issued (management
// report "RG", credit/debit receipt "CC"), with the printer's counters, and
// seals it with its hash. Called back by the printer driver after the
// program registers a document; the program itself never calls it. `valor`
// is the amount in centavos as digits ("1250" is 12,50).
void GRAVADOCEMITIDOSECF(std::string_view tipo, std::int32_t num_cro, std::int32_t num_coo,
                         std::int32_t num_ccf, std::int32_t num_gnf, std::int32_t num_grg,
                         std::int32_t num_cdc, std::string_view valor);

}  // namespace balcora
