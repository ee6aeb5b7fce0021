// Classifying SQLite's result codes for the data layer's error numbers.
#pragma once

#include <sqlite3.h>

namespace korvo::data {

inline constexpr const char* kSqliteSource = "Korvo SQLite Provider";

// Throws DriverError for a failed call on `db`: a statement SQLite refused to
// compile (SQLITE_ERROR while preparing: syntax, unknown table or column) is
// Malformed, SQLITE_CONSTRAINT is Constraint, anything else (busy, I/O, ...)
// is Other. The native error is the extended result code.
[[noreturn]] void ThrowSqliteError(sqlite3* db, int rc, bool preparing = false);

}  // namespace korvo::data
