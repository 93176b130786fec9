#pragma once

#include "util/fixed_point.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace balcora {

// Scrambles a text, and unscrambles it when applied again: the same call does
// both. Characters outside the scrambling table (blanks, accented letters,
// quotes) pass through unchanged; the output has the input's length.
std::string CRIPTO(std::string_view text);

// Reads the auxiliary file into glo::numfab, vlgt, md5txt, md5exe, pafsn and
// dtenvredz. A missing, unreadable or damaged file is shown; numfab becomes
// blank and vlgt 0 then, the others keep their values. False when the file
// could not be read.
bool LEARQAUXILIAR();

// Writes vlgt, pafsn and dtenvredz from the globals, and numfab too when
// asked. Without write_numfab a missing file is shown and left missing; a
// damaged one is shown and left as it is. False after a failure was shown.
bool GRAVAARQAUXILIAR(bool write_numfab = false);

namespace ecf {

// The auxiliary file under the data root.
std::filesystem::path aux_file_path();

// The plain (unscrambled) texts of the file, each empty when its key is missing.
struct AuxFileTexts {
    std::string numfab;
    std::string vlgt;  // cents, 15 digits
    std::string md5txt;
    std::string md5exe;
    std::string pafsn;
    std::string dtenvredz;  // day number in digits
};

enum class AuxRead { kOk, kMissing, kUnreadable, kDamaged };

// Reads and unscrambles every key without showing anything; error receives
// the system's code when the file exists but cannot be opened, damage what is
// wrong with a file whose keys are missing or malformed (truncated, emptied
// or edited by hand).
AuxRead read_aux_file(AuxFileTexts& out, int* error = nullptr, std::string* damage = nullptr);

// What is wrong with the texts of a file, empty when every key is well formed.
std::string aux_file_damage(const AuxFileTexts& texts);

// A printer's serial as the file keeps it: 1 to 40 letters and digits, with
// blanks, '-', '.', '/' and '_' between them.
bool is_serial_form(std::string_view serial);

// Shows the missing-file warning.
void warn_aux_file_missing();
// Shows the damaged-file error.
void show_aux_file_damaged(std::string_view damage);

// The stored form of a grand total: cents in at least 15 digits.
std::string grand_total_text(util::Money total);

// Writes every key from the globals, creating the file and its folder: the
// installation's writer. False after the failure was shown.
bool install_aux_file();

}  // namespace ecf

}  // namespace balcora
