#include "app/commands.h"
#include "db/settings.h"

#include <cstdio>

namespace balcora::app {

int run_setting_command(CommandLine& cl) {
    const auto& a = cl.args;
    const bool get = a.size() >= 3 && a.size() <= 4 && a[0] == "get";
    const bool set = a.size() == 4 && a[0] == "set";
    if (!get && !set) {
        std::fputs(
            "Uso: balcora setting get SECAO CHAVE [PADRAO]\n"
            "     balcora setting set SECAO CHAVE VALOR\n",
            stderr);
        return 2;
    }
    if (!open_program_database(cl)) return 1;
    if (get) {
        std::string value = LEREGISTRO("balcora", a[1], a[2], a.size() == 4 ? a[3] : "");
        std::printf("%s\n", value.c_str());
        return 0;
    }
    return GRAVAREGISTRO("balcora", a[1], a[2], a[3]) ? 0 : 1;
}

}  // namespace balcora::app
