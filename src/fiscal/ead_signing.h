#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace balcora {

// Signs a file the program hands to the tax authority. Mode 0 (text) appends
// the EAD line ("EAD" + 256 hex digits + CR LF) to the file and checks it;
// mode 2 (binary) writes the signature to the companion file "<file>.txt".
// False after the failure was shown.
bool ASSINATURAEAD(const std::string& file, std::uint8_t mode = 0);

// The newest plain file of the folder (by modification time), or "".
std::string ULTIMOARQSALVO(const std::string& folder);

// Copies a text file the printer wrote to its final name without its EAD
// lines, deletes the source and signs the copy. False after the failure was
// shown (the source stays when the copy could not be made).
bool ATUALIZAEAD(const std::string& source, const std::string& target);

namespace fiscal {

// The signing library's two entries, on the program's key. Both return 1 on
// success. generateEAD fills `signature` (at least 257 bytes) with the
// signature's hex digits; mode 1 also appends the EAD line to the file.
// validateFile answers 1 when the file's last line is an EAD that matches
// every byte before it.
int generateEAD(const char* file, const char* modulus, const char* private_exponent,
                char* signature, int mode);
int validateFile(const char* file, const char* modulus, const char* private_exponent);

// The program's key pair as the two 256-digit upper-case hex strings, and the
// public exponent as two hex digits.
const char* signing_modulus();
const char* signing_private_exponent();
const char* signing_public_exponent();

// The folder of the regulatory files, created when missing.
std::filesystem::path pafecf_folder();

// The developer's public-key file (<pafecf>/<razao>.xml).
std::filesystem::path public_key_file();
// Writes it when it does not exist yet and says so; false after a failure
// was shown. `announce` false writes silently (the command line prints the
// path itself).
bool write_public_key_file(bool announce = true);

// True when the file's EAD matches its content; no message.
bool verify_ead(const std::filesystem::path& file);

}  // namespace fiscal
}  // namespace balcora
