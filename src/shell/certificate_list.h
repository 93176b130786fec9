#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace balcora::shell {

// A certificate the Bloco X client found on this machine.
struct Certificate {
    std::string serial;   // "NumSerie"
    std::string cnpj;     // "CNPJ"
    std::string expires;  // "Vencto"
    std::string company;  // "RazaoSocial"
};

// The list the Bloco X client writes, "listcert.cfg" beside the program:
// section "Geral" describes the list, every other section is one
// certificate with the keys above (the section's name stands for the serial
// when "NumSerie" is missing). Sections in file order; a missing or damaged
// file gives an empty list.
std::filesystem::path certificate_list_path();
std::vector<Certificate> read_certificate_list();

}  // namespace balcora::shell
