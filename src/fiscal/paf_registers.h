#pragma once

#include "util/day_number.h"

#include <cstdint>
#include <string>
#include <vector>

namespace balcora::fiscal {

// The PAF-ECF registers file: establishment, payments, products, stock,
// printer and the movement of a period, signed with an EAD line.
struct RegistersRequest {
    util::DayNumber start = 0;
    util::DayNumber end = 0;
    // 1 total stock, 2 partial: only `products` (id_produto) in E2.
    int stock_option = 1;
    std::vector<std::int64_t> products;
    // The day close: logs "Inicia/Finaliza Registro PAF" (function
    // "fechadia") and names the file after the closed day, not today.
    bool from_day_close = false;
};

struct RegistersResult {
    bool ok = false;   // written and signed
    std::string file;  // full path, also when signing failed
};

// The one generation that the fiscal menu's window, the day close and the
// command line call. Every refusal and failure is shown through the prompt
// port; no half-written file is left under the final name.
RegistersResult generate_paf_registers(const RegistersRequest& request);

}  // namespace balcora::fiscal
