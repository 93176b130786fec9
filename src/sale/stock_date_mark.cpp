#include "sale/stock_date_mark.h"

#include "db/literals.h"
#include "db/query_sql.h"

#include <string>

namespace balcora {

bool GRAVADATAESTOQUE(util::DayNumber date) {
    const std::string day = util::iso_date(date);
    if (day.empty()) return true;
    // One statement, compared on the server: ISO dates order as texts, and a
    // value that is not one is left for the export screen to show.
    return db::execute("UPDATE balcora.registro SET valor=" + TXTSQL(day) +
                       " WHERE chave='PAF-ECF' AND nome='Data Estoque' AND valor ~ "
                       "'^[0-9]{4}-[0-9]{2}-[0-9]{2}$' AND valor > " +
                       TXTSQL(day) + ";");
}

}  // namespace balcora
