#include "shell/certificate_list.h"

#include "platform/exchange_file.h"
#include "ui/environment.h"
#include "util/text.h"

// The same settings as the program's INI access: UTF-8 texts as they are.
#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <strings.h>

namespace balcora::shell {

std::filesystem::path certificate_list_path() {
    return data_root().map("c:\\sistemas\\balcora\\pgms\\listcert.cfg");
}

std::vector<Certificate> read_certificate_list() {
    std::vector<Certificate> list;
    // The client writes the list: a FIFO or a huge file there reads as none.
    const platform::ExchangeFile file =
        platform::read_exchange_file(certificate_list_path(), platform::Links::kFollow);
    if (!file.read()) return list;
    CSimpleIniA ini;
    ini.SetUnicode(true);
    ini.SetMultiKey(false);
    if (ini.LoadData(file.bytes.data(), file.bytes.size()) < 0) return list;

    CSimpleIniA::TNamesDepend sections;
    ini.GetAllSections(sections);
    sections.sort(CSimpleIniA::Entry::LoadOrder());
    for (const auto& s : sections) {
        if (strcasecmp(s.pItem, "Geral") == 0) continue;
        auto get = [&](const char* key) { return util::trim(ini.GetValue(s.pItem, key, "")); };
        Certificate c;
        c.serial = get("NumSerie");
        if (c.serial.empty()) c.serial = util::trim(s.pItem);
        c.cnpj = get("CNPJ");
        c.expires = get("Vencto");
        c.company = get("RazaoSocial");
        list.push_back(std::move(c));
    }
    return list;
}

}  // namespace balcora::shell
