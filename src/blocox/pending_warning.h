#pragma once

#include "util/day_number.h"

#include <string>

// What the send runs tell the operator while files stay pending, and the
// blocking flags the sale screens read.
namespace balcora::blocox {

inline constexpr const char* kPendingTitle = "ATENÇÃO!!!";

// The warning for n pending Z-reduction (stock) files, n > 0.
std::string reduction_pending_warning(long long n);
std::string stock_pending_warning(long long n);

// How many pending Z-reduction files block the printer on `today`: ten,
// less the days between the tenth day ahead and the business day on or
// before it.
long long reduction_block_limit(util::DayNumber today, long long pending);
inline constexpr long long kStockBlockLimit = 5;

// Settings of section "PAF-ECF" and of "PAF-ECF." + the printer's serial.
inline constexpr const char* kMailReductionKey = "EmailReducaoZ";
inline constexpr const char* kMailStockKey = "EmailEstoque";
inline constexpr const char* kBlockedReductionKey = "ECF Bloqueado.BlocoX.RedZ";
inline constexpr const char* kBlockedStockKey = "ECF Bloqueado.BlocoX.Estoque";
std::string blocking_section();

// Pending counts of the printer (reductions with a counter, the day closed,
// from the day Bloco X applies: what a send run transmits)
// and of the company; -1 when the query failed (shown).
long long pending_reductions(int id_maqecf);
long long pending_stock_periods(int id_empresa);

// After a send run: the flag is "1" from the limit on and "0" below it.
void write_reduction_block(util::DayNumber today, long long pending);
void write_stock_block(long long pending);

}  // namespace balcora::blocox
