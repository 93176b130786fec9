#pragma once

namespace balcora::db {

// Another database took a new state for good through this connection (a
// write the back office committed over the link): the durable-point hook of
// the tests is called as for a local COMMIT (pg_handles.h).
void note_durable_point();

}  // namespace balcora::db
