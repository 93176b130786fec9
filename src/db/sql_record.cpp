#include "db/sql_record.h"

namespace balcora::db {

namespace {

// Cuts a UTF-8 text to at most max characters without splitting a character.
std::string_view cut_to_characters(std::string_view v, std::size_t max) {
    if (v.size() <= max) return v;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        if ((static_cast<unsigned char>(v[i]) & 0xC0) != 0x80) {
            if (chars == max) return v.substr(0, i);
            ++chars;
        }
    }
    return v;
}

}  // namespace

std::string_view SqlRecord::C(int k) const {
    if (k < 1 || k > kColumns || !has_row() || k > result_.columns()) return {};
    return cut_to_characters(result_.value(row_, k - 1), k <= 3 ? 254 : 79);
}

bool SqlRecord::is_null(int k) const {
    if (k < 1 || k > kColumns || !has_row() || k > result_.columns()) return true;
    return result_.is_null(row_, k - 1);
}

bool SqlRecord::next() {
    if (row_ < result_.rows()) ++row_;
    return has_row();
}

int SqlRecord::column_count() const {
    int n = result_.columns();
    return n < kColumns ? n : kColumns;
}

void SqlRecord::clear() {
    result_ = PgResult();
    row_ = -1;
}

void SqlRecord::load(PgResult result) {
    result_ = std::move(result);
    row_ = 0;
}

SqlRecord& sql() {
    static SqlRecord shared;
    return shared;
}

}  // namespace balcora::db
