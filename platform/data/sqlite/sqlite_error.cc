#include "platform/data/sqlite/sqlite_error.h"

#include "platform/data/driver.h"

namespace korvo::data {

void ThrowSqliteError(sqlite3* db, int rc, bool preparing) {
  const int primary = rc & 0xff;
  FailureKind kind = FailureKind::Other;
  if (primary == SQLITE_CONSTRAINT) {
    kind = FailureKind::Constraint;
  } else if (primary == SQLITE_ERROR && preparing) {
    kind = FailureKind::Malformed;
  }
  const char* message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
  const int native = db ? sqlite3_extended_errcode(db) : rc;
  throw DriverError(kind, message, native, kSqliteSource);
}

}  // namespace korvo::data
