// Classifying PostgreSQL's failures for the data layer's error numbers, by
// the SQLSTATE the server reports:
//   class 42 (syntax error or access rule violation: unknown table or
//            column, ...)                                 -> Malformed
//   class 23 (integrity constraint violation)            -> Constraint
//   anything else (connection, data, resources, ...)      -> Other
// A serialization failure (40001) or deadlock (40P01) is Other with a
// description starting "Serialization failure", so a caller can tell that
// the transaction lost to a concurrent one and may be run again.
//
// The native error of a DriverError is the SQLSTATE packed as the server
// packs it internally (six bits per character); 0 when the failure has no
// SQLSTATE (the connection could not be opened or was lost).
#pragma once

#include <libpq-fe.h>

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/data/driver.h"

namespace korvo::data {

inline constexpr const char* kPostgresSource = "Korvo PostgreSQL Provider";

FailureKind ClassifySqlState(std::string_view sqlState);
bool IsSerializationFailure(std::string_view sqlState);
std::int32_t PackSqlState(std::string_view sqlState);
// The five characters of a packed SQLSTATE ("" for 0).
std::string UnpackSqlState(std::int32_t native);

// An owned libpq result, cleared when it ends.
struct PgResultClear {
  void operator()(PGresult* result) const { PQclear(result); }
};
using PgResult = std::unique_ptr<PGresult, PgResultClear>;

// The result when the command succeeded (with or without rows); throws
// DriverError otherwise.
PgResult Checked(PGresult* result, PGconn* connection);

// The SQLSTATE of a failed result ("" when it has none).
std::string SqlStateOf(const PGresult* result);

// Throws DriverError for a failed result (or, when result is null, for the
// connection's last failure).
[[noreturn]] void ThrowPostgresError(const PGresult* result, PGconn* connection);
// Throws DriverError of kind Other with the description given.
[[noreturn]] void ThrowPostgresFailure(const std::string& description);

}  // namespace korvo::data
