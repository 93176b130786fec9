#include "forms/name_filtered_list.h"

#include "db/settings.h"
#include "db/sql_runner.h"
#include "forms/lookup_filter.h"
#include "util/text.h"

namespace balcora::forms {

bool NameFilteredList::open() {
    filter_ =
        util::cut_characters(read_ini(ini_section_, "filtro_nome", "", ini_file_), kFilterLimit);
    return refresh();
}

void NameFilteredList::close() {
    write_ini(ini_section_, "filtro_nome", util::trim_right(filter_), ini_file_);
}

bool NameFilteredList::set_filter(std::string_view text) {
    filter_ = util::cut_characters(text, kFilterLimit);
    return refresh();
}

bool NameFilteredList::refresh() {
    clear_rows();
    truncated_ = false;
    const std::string sql = statement(util::trim_right(filter_)) + " LIMIT " +
                            std::to_string(kLookupRowLimit + 1) + ";";
    const std::optional<db::PgResult> found = db::run_sql(sql);
    if (!found) return false;
    const db::PgResult& r = *found;
    truncated_ = static_cast<std::size_t>(r.rows()) > kLookupRowLimit;
    const int shown = truncated_ ? static_cast<int>(kLookupRowLimit) : r.rows();
    for (int i = 0; i < shown; ++i) take_row(r, i);
    return true;
}

std::string NameFilteredList::note() const {
    if (!truncated_) return {};
    return "Mostrando os primeiros " + std::to_string(kLookupRowLimit) + " " + noun_ +
           "; digite mais para refinar a busca.";
}

}  // namespace balcora::forms
