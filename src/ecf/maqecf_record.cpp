#include "ecf/maqecf_record.h"

#include "db/literals.h"
#include "db/sql_runner.h"
#include "util/fixed_point_text.h"

#include <functional>
#include <vector>

namespace balcora {

namespace rec {
MaqecfRecord maqecf;
}  // namespace rec

namespace ecf {

namespace {

// One column: how it is read back from the row and written into SQL.
struct Column {
    const char* name;
    std::function<void(MaqecfRecord&, std::string_view)> read;
    std::function<std::string(const MaqecfRecord&)> write;
};

template <typename Int>
Column number(const char* name, Int MaqecfRecord::*field) {
    return {name,
            [field](MaqecfRecord& r, std::string_view v) {
                r.*field = static_cast<Int>(util::read_integer(v).value);
            },
            [field](const MaqecfRecord& r) { return std::to_string(r.*field); }};
}

Column text(const char* name, std::string MaqecfRecord::*field) {
    return {name, [field](MaqecfRecord& r, std::string_view v) { r.*field = std::string(v); },
            [field](const MaqecfRecord& r) { return TXTSQL(r.*field); }};
}

Column date(const char* name, util::DayNumber MaqecfRecord::*field) {
    return {name,
            [field](MaqecfRecord& r, std::string_view v) { r.*field = util::parse_iso_date(v); },
            [field](const MaqecfRecord& r) { return DTSQL(r.*field); }};
}

const std::vector<Column>& written_columns() {
    static const std::vector<Column> columns = {
        number("id_maqecf", &MaqecfRecord::id_maqecf),
        number("id_empresa", &MaqecfRecord::id_empresa),
        number("numero", &MaqecfRecord::numero),
        text("marca", &MaqecfRecord::marca),
        text("modelo", &MaqecfRecord::modelo),
        number("porta_com", &MaqecfRecord::porta_com),
        text("modelo_doc_fiscal", &MaqecfRecord::modelo_doc_fiscal),
        text("num_serie", &MaqecfRecord::num_serie),
        number("modelo_scanner", &MaqecfRecord::modelo_scanner),
        number("porta_com_scanner", &MaqecfRecord::porta_com_scanner),
        text("situacao", &MaqecfRecord::situacao),
        date("data_sit", &MaqecfRecord::data_sit),
        date("dt1", &MaqecfRecord::dt1),
        date("dt2", &MaqecfRecord::dt2),
        number("horario_verao", &MaqecfRecord::horario_verao),
        number("gera_est_gerencial", &MaqecfRecord::gera_est_gerencial),
        date("data_reducaoz", &MaqecfRecord::data_reducaoz),
        number("num_prop_ecf", &MaqecfRecord::num_prop_ecf),
        number("cod_marca", &MaqecfRecord::cod_marca),
        number("cod_modelo", &MaqecfRecord::cod_modelo),
        number("cod_versao", &MaqecfRecord::cod_versao),
        text("versao_sb", &MaqecfRecord::versao_sb),
        date("data_sb", &MaqecfRecord::data_sb),
        {"hora_sb", [](MaqecfRecord& r, std::string_view v) { r.hora_sb = std::string(v); },
         [](const MaqecfRecord& r) {
             return r.hora_sb.empty() ? std::string("Null") : TXTSQL(r.hora_sb) + "::time";
         }},
        text("mf_adicional", &MaqecfRecord::mf_adicional),
        number("num_cred_ecf", &MaqecfRecord::num_cred_ecf),
    };
    return columns;
}

}  // namespace

std::string maqecf_columns() {
    std::string out;
    for (const Column& c : written_columns())
        out += (out.empty() ? "" : ", ") + std::string(c.name);
    return out;
}

std::string maqecf_values(const MaqecfRecord& r) {
    std::string out;
    for (const Column& c : written_columns()) out += (out.empty() ? "" : ", ") + c.write(r);
    return out;
}

std::string maqecf_assignments(const MaqecfRecord& r) {
    std::string out;
    for (const Column& c : written_columns()) {
        out += (out.empty() ? "" : ", ") + std::string(c.name) + "=" + c.write(r);
    }
    return out;
}

bool load_maqecf(std::string_view condition, MaqecfRecord& out) {
    const std::string statement = "SELECT " + maqecf_columns() +
                                  ", coalesce(hash,'') FROM balcora.maqecf WHERE " +
                                  std::string(condition) + " LIMIT 1;";
    const std::optional<db::PgResult> found = db::run_sql(statement);
    if (!found || found->rows() == 0) return false;
    const db::PgResult& r = *found;
    MaqecfRecord loaded;
    const auto& columns = written_columns();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        columns[i].read(loaded, r.value(0, static_cast<int>(i)));
    }
    loaded.hash = std::string(r.value(0, static_cast<int>(columns.size())));
    out = std::move(loaded);
    return true;
}

bool load_maqecf_by_id(std::int32_t id_maqecf, MaqecfRecord& out) {
    return load_maqecf("id_maqecf=" + std::to_string(id_maqecf), out);
}

bool load_maqecf_by_serial(std::string_view num_serie, MaqecfRecord& out) {
    return load_maqecf("num_serie=" + TXTSQL(num_serie), out);
}

}  // namespace ecf
}  // namespace balcora
