#pragma once

#include "backup/backup.h"
#include "backup/backup_tools.h"
#include "support/test_database.h"

#include <libpq-fe.h>

#include <filesystem>

namespace balcora::test {

// A backup of the test's own database on the throwaway cluster, into the
// test's data root; the scratch database is made by the cluster's
// administrator, as on a shop's own server.
inline shell::BackupTarget backup_target_of(const TestDatabase& db,
                                            const std::filesystem::path& root) {
    shell::BackupTarget t;
    PQconninfoOption* options = PQconninfoParse(db.conninfo().c_str(), nullptr);
    for (PQconninfoOption* o = options; o && o->keyword; ++o) {
        if (!o->val) continue;
        const std::string key = o->keyword;
        if (key == "host") t.host = o->val;
        if (key == "port") t.port = std::atoi(o->val);
        if (key == "user") t.user = o->val;
    }
    PQconninfoFree(options);
    t.dbname = db.name();
    t.admin_conninfo = template_conninfo() + " user=balcora_admin";
    t.folder = root / "sistemas/balcora/backup";
    t.password_file = root / "pgpass";
    t.tools = shell::postgres_client_folder();
    return t;
}

}  // namespace balcora::test
