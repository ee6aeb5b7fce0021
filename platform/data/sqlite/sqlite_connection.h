// SqliteConnection: one open SQLite database handle with its cache of
// prepared statements (bounded, keyed by the statement text as the library
// issued it, so a statement met again is neither translated nor prepared
// again) and its transaction-control statements, prepared once. Owns the
// handle; single-threaded (the pool hands it to one thread at a time).
#pragma once

#include <sqlite3.h>

#include <array>
#include <memory>
#include <string>

#include "platform/data/driver.h"
#include "platform/data/lru_cache.h"
#include "platform/data/sqlite/sqlite_statement.h"

namespace korvo::data {

class SqliteConnection final : public DriverConnection {
 public:
  static constexpr std::size_t kStatementCacheSize = 64;

  // Opens (creating when missing) the database file. Throws DriverError.
  SqliteConnection(const std::string& path, int busyTimeoutMs);

  DriverStatement& Prepare(const std::string& sql) override;
  std::int64_t LastInsertKey() override { return sqlite3_last_insert_rowid(db_.get()); }
  void Begin() override { Control(kBeginWrite); }
  // Deferred: the snapshot is taken by the first read that follows.
  void BeginRead() override { Control(kBeginRead); }
  void Commit() override { Control(kCommit); }
  void Rollback() noexcept override;
  bool InTransaction() const override { return sqlite3_get_autocommit(db_.get()) == 0; }
  int SchemaVersion() override;
  void SetSchemaVersion(int version) override;
  bool HasTables() override;

 private:
  struct Closer {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
  };
  struct Finalizer {
    void operator()(sqlite3_stmt* stmt) const { sqlite3_finalize(stmt); }
  };
  // Transaction control runs for every call and every write transaction.
  enum ControlStatement { kBeginRead, kBeginWrite, kCommit, kRollback, kControlStatements };

  // Runs a transaction-control statement; Control raises its failure.
  int Step(ControlStatement which) noexcept;
  void Control(ControlStatement which);
  void Exec(const std::string& sql);
  std::int64_t QueryInteger(const char* sql);

  std::unique_ptr<sqlite3, Closer> db_;  // declared first: closed after the statements
  std::array<std::unique_ptr<sqlite3_stmt, Finalizer>, kControlStatements> control_;
  LruCache<std::unique_ptr<SqliteStatement>> statements_{kStatementCacheSize};
};

}  // namespace korvo::data
