#include "db/sql_record.h"

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

void SqlRecord::clear() {
    result_ = PgResult();
    raw_ = nullptr;
    rows_ = columns_ = row_ = 0;
}

void SqlRecord::load(PgResult result) {
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
