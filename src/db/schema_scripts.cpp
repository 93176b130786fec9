#include "db/schema_scripts.h"

#include "db/script_runner.h"
#include "ui/environment.h"

#include <cstdlib>

namespace balcora::db {

namespace fs = std::filesystem;

fs::path shipped_scripts_dir() {
    if (const char* env = std::getenv("BALCORA_SQL_DIR"); env && *env) return env;
    return BALCORA_SHIPPED_SQL_DIR;
}

void install_shipped_scripts() {
    const fs::path target_dir = data_root().program_dir();
    std::error_code ec;
    fs::create_directories(target_dir, ec);
    for (const char* name : {"balcora1.sql", "balcora2.sql"}) {
        const fs::path from = shipped_scripts_dir() / name, to = target_dir / name;
        if (!fs::exists(from, ec)) continue;
        auto shipped_time = fs::last_write_time(from, ec);
        if (ec) continue;
        if (fs::exists(to, ec) && fs::last_write_time(to, ec) >= shipped_time) continue;
        fs::path tmp = to;
        tmp += ".new";
        if (!fs::copy_file(from, tmp, fs::copy_options::overwrite_existing, ec)) continue;
        fs::last_write_time(tmp, shipped_time, ec);
        fs::rename(tmp, to, ec);
    }
}

void apply_schema_scripts() {
    install_shipped_scripts();
    const fs::path dir = data_root().program_dir();
    // Both scripts count their blocks on one seqatual: running the second
    // after a block of the first failed would move the count past that
    // block, and it would never run again.
    if (LEARQUIVOSQL((dir / "balcora1.sql").string(), 1, "balcora") != 1) return;
    LEARQUIVOSQL((dir / "balcora2.sql").string(), 2, "balcora");
}

}  // namespace balcora::db
