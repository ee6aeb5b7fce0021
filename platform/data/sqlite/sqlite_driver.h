// The SQLite backend: a database file per connection string,
// "Driver=SQLite;Database=<path>[;BusyTimeout=<ms>]".
//
// Each physical connection runs in WAL mode (readers never block the one
// writer and see only committed data), waits up to BusyTimeout milliseconds
// (default 5000) for another writer's lock instead of failing, and leaves
// declared foreign keys unenforced (the library's referential checks decide;
// docs/data-layer.md). Statements are translated by SqliteTranslator and kept
// prepared per connection. Thread-safe (immutable).
#pragma once

#include "platform/data/driver.h"

namespace korvo::data {

class SqliteDriver final : public Driver {
 public:
  std::string_view Name() const override { return "SQLite"; }
  // Raises 0x80004005 for a missing Database, an invalid BusyTimeout or an
  // option SQLite does not know; throws DriverError when the file cannot be
  // opened.
  std::unique_ptr<DriverConnection> Connect(const ConnectionOptions& options) const override;
  std::vector<std::string> CreateStatements(const TableDef& table) const override;
};

}  // namespace korvo::data
