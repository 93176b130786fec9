#include "backoffice/masterdata_options.h"

#include "db/settings.h"
#include "util/text.h"

namespace balcora::backoffice {

namespace {

std::string get(std::string_view key, std::string_view default_value = {}) {
    return util::trim(LEREGISTRO("balcora", kMasterDataSection, key, default_value));
}

int number(std::string_view key, long long default_value) {
    const std::string text = get(key);
    return static_cast<int>(text.empty() ? default_value : text_to_integer(text));
}

}  // namespace

MasterDataOptions read_masterdata_options() {
    MasterDataOptions o;
    o.tp_preco = number("tp_preco", 0);
    o.preco = number("preco", 1);
    o.bloq_estoque = number("bloq_estoque", 1) == 1;
    o.tp_atual = number("tp_atual", 1) == 1;
    o.empresa = number("empresa", 1);
    o.dt_atual = util::parse_setting_day(get("dt_atual"));
    o.busca_noip = number("busca_noip", 0) == 1;
    o.num_ecf = number("num_ecf", 1);
    o.num_subt = get("num_subt");
    o.marca = get("marca");
    o.modelo = get("modelo");
    o.ip = get("ip");
    o.noip = get("noip");
    o.db = get("db");
    o.user = get("user");
    o.senha = LEREGISTRO("balcora", kMasterDataSection, "senha", "");
    o.porta = number("porta", 5432);
    if (o.porta <= 0 || o.porta > 65535) o.porta = 5432;
    return o;
}

bool write_masterdata_options(const MasterDataOptions& o) {
    auto put = [](std::string_view key, std::string_view value) {
        return GRAVAREGISTRO("balcora", kMasterDataSection, key, value);
    };
    auto flag = [](bool b) { return b ? "1" : "0"; };
    return put("tp_preco", std::to_string(o.tp_preco)) && put("preco", std::to_string(o.preco)) &&
           put("bloq_estoque", flag(o.bloq_estoque)) && put("tp_atual", flag(o.tp_atual)) &&
           put("empresa", std::to_string(o.empresa)) &&
           put("dt_atual", util::iso_date(o.dt_atual)) && put("busca_noip", flag(o.busca_noip)) &&
           put("num_ecf", std::to_string(o.num_ecf)) && put("num_subt", o.num_subt) &&
           put("marca", o.marca) && put("modelo", o.modelo) && put("ip", o.ip) &&
           put("noip", o.noip) && put("db", o.db) && put("user", o.user) && put("senha", o.senha) &&
           put("porta", std::to_string(o.porta));
}

LinkSettings masterdata_link(const MasterDataOptions& o) {
    LinkSettings s;
    s.type = ConnectionType::kIp;
    s.ip = s.servidor = o.ip;
    s.database = o.db;
    s.usuario = o.user;
    s.senha = o.senha;
    s.porta = o.porta;
    return s;
}

}  // namespace balcora::backoffice
