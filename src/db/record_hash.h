#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

namespace balcora {

// Fills the digest expression of every hashed table. Must run before any
// fiscal row is written.
void DEFINEHASH();

namespace db {

// The digest expression of a table ("cfiscal", "produto", ... and "registro"
// for the developer identification); empty before DEFINEHASH or for a table
// without one.
const std::string& hash_expression(std::string_view table);

// Stores the digest of one row inside the writer's transaction. A failure was
// shown by QUERYSQL; the writer carries on and the row is marked later.
bool store_hash(std::string_view table, std::int64_t id);

// An SQL boolean over one row of the table (named without an alias): true
// only when the stored hash equals the digest recomputed now. A NULL stored
// hash or a NULL digest (a hashed column left NULL) fails.
std::string hash_intact_column(std::string_view table);

// True when the row's stored hash equals its digest recomputed now; a NULL on
// either side fails.
bool verify_hash(std::string_view table, std::int64_t id);

// Checks every row of a table that satisfies `where` (an SQL condition over
// the table's columns, empty for all) in one query: row id -> intact.
std::map<std::int64_t, bool> verify_hashes(std::string_view table, std::string_view where = {});

// True when the developer identification's stored "hash" setting equals its
// digest recomputed now; a missing setting or digest fails.
bool verify_registro_hash();

}  // namespace db
}  // namespace balcora
