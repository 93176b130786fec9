#include "app/commands.h"
#include "db/settings.h"
#include "fiscal/mail_password.h"

#include <cstdio>
#include <iostream>
#include <string>

namespace balcora::app {

int run_setting_command(CommandLine& cl) {
    const auto& a = cl.args;
    const bool get = a.size() >= 3 && a.size() <= 4 && a[0] == "get";
    const bool set = a.size() == 4 && a[0] == "set";
    if (!get && !set) {
        std::fputs(
            "Uso: balcora setting get SECAO CHAVE [PADRAO]\n"
            "     balcora setting set SECAO CHAVE VALOR\n"
            "VALOR - le o valor da entrada padrao (uma senha fica fora da lista de processos).\n",
            stderr);
        return 2;
    }
    if (!open_program_database(cl)) return 1;
    if (get) {
        std::string value = LEREGISTRO("balcora", a[1], a[2], a.size() == 4 ? a[3] : "");
        std::printf("%s\n", value.c_str());
        return 0;
    }
    std::string value = a[3];
    if (value == "-" && !std::getline(std::cin, value)) value.clear();
    if (a[3] == "-" && !value.empty() && value.back() == '\r') value.pop_back();
    if (!GRAVAREGISTRO("balcora", a[1], a[2], value)) return 1;
    // The relay's password never stays in the table: it goes to its file.
    return fiscal::move_mail_password_out_of_settings() ? 0 : 1;
}

}  // namespace balcora::app
