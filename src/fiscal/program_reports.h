#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace balcora::fiscal {

// The program's reports on the fiscal printer, as management reports: the
// PAF-ECF identification ("Identificação do PAF-ECF") and the configuration
// parameters ("Parametros de Configuração"). Each checks the printer first;
// false when a check or the printer failed (the driver told why).
bool print_identification_report();
bool print_configuration_report();

// The blocks of text each report sends, one CMD_REPORT_LINE each, lines
// ended by CR LF, 48 columns.
std::vector<std::string> identification_report_blocks();
std::vector<std::string> configuration_report_blocks();

// `text` centred in `width` columns (blanks on the left only); characters,
// not bytes, are counted.
std::string centred(std::string_view text, std::size_t width);
// `text` right-aligned in `width` columns.
std::string right_aligned(std::string_view text, std::size_t width);

}  // namespace balcora::fiscal
