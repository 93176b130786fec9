#include "db/sql_record.h"

#include "util/fixed_point_text.h"

#include <stdexcept>

namespace balcora::db {

std::string_view SqlRecord::cut_to_characters(std::string_view v, std::size_t max) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if ((static_cast<unsigned char>(v[i]) & 0xC0) != 0x80) {
            if (chars == max) return v.substr(0, i);
            ++chars;
        }
    }
    return v;
}

bool SqlRecord::is_null(int k) const {
    if (k < 1 || k > columns_ || row_ >= rows_) return true;
    return PQgetisnull(raw_, row_, k - 1) != 0;
}

int SqlRecord::index_of(std::string_view column) const {
    for (const auto& [name, k] : names_)
        if (name == column) return k;
    // Quoted, the server's lookup takes the name exactly as written.
    if (!raw_) return -1;
    const std::string quoted = "\"" + std::string(column) + "\"";
    const int k = PQfnumber(raw_, quoted.c_str());
    if (k < 0) throw std::out_of_range("coluna desconhecida no resultado: " + std::string(column));
    names_.emplace_back(column, k);
    return k;
}

bool SqlRecord::is_null(std::string_view column) const {
    const int k = index_of(column);
    return k < 0 || row_ >= rows_ || PQgetisnull(raw_, row_, k) != 0;
}

std::int64_t SqlRecord::integer(std::string_view column) const {
    return util::read_integer(text(column)).value;
}

util::Money SqlRecord::money(std::string_view column) const {
    return util::read_number<2>(text(column)).value;
}

util::DayNumber SqlRecord::day(std::string_view column) const {
    return util::parse_iso_date(text(column));
}

void SqlRecord::clear() {
    names_.clear();
    result_ = PgResult();
    raw_ = nullptr;
    rows_ = columns_ = row_ = 0;
}

void SqlRecord::load(PgResult result) {
    names_.clear();
    result_ = std::move(result);
    raw_ = result_.get();
    rows_ = result_.rows();
    int n = result_.columns();
    columns_ = n < kColumns ? n : kColumns;
    row_ = 0;
}

SqlRecord& sql() {
    static SqlRecord shared;
    return shared;
}

}  // namespace balcora::db
