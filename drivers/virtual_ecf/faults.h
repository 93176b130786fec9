#pragma once

#include <filesystem>
#include <map>

// Simulated failures of the printer, kept in the control file falhas.ini of
// the printer folder:
//
//   [Impressora]
//   Desligada=1        ; every command refused until 0
//   SemPapel=1         ; every printing command refused until 0
//   [Recusar]
//   9=2                ; the next two CMD_SELL_ITEM refused
namespace balcora::vecf {

struct Faults {
    bool power_off = false;
    bool paper_out = false;
    std::map<int, int> refuse;  // command -> how many of the next calls to refuse
};

// A missing or unreadable file means no faults; unknown keys are ignored.
Faults read_faults(const std::filesystem::path& file);
// Replaces the file atomically; false when it could not be written.
bool write_faults(const std::filesystem::path& file, const Faults& faults);

}  // namespace balcora::vecf
