#pragma once

#include "forms/name_filtered_list.h"

#include <cstdint>
#include <string>

namespace balcora::forms {

struct MunicipalityLine {
    std::int32_t id_municipio = 0;
    std::string nome;
    std::string estado;
    std::string codigo_ibge;
};

// "Municípios": the municipalities whose name matches the filter (remembered
// in kontora.ini), for the customer form to pick one.
class MunicipalityLookup final
    : public NameFilteredLines<MunicipalityLine, &MunicipalityLine::id_municipio> {
  public:
    static constexpr const char* kTitle = "Municípios";
    static constexpr const char* kIniFile = "kontora.ini";

    MunicipalityLookup() : NameFilteredLines("Municipio", kIniFile, "municípios") {}

  private:
    std::string statement(const std::string& filter) const override;
    void take_row(const db::PgResult& r, int row) override;
};

}  // namespace balcora::forms
