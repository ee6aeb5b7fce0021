// SqliteStatement: one prepared SQLite statement, bound and run with the
// storage format of docs/data-layer.md. Owns the sqlite3_stmt (finalized on
// destruction); belongs to its connection's thread.
#pragma once

#include <sqlite3.h>

#include <optional>
#include <string>
#include <vector>

#include "platform/data/driver.h"
#include "platform/runtime/date.h"

namespace korvo::data {

class SqliteStatement final : public DriverStatement {
 public:
  // Takes ownership of stmt; null stands for a statement with nothing to do.
  SqliteStatement(sqlite3* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
  ~SqliteStatement() override { sqlite3_finalize(stmt_); }
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;

  // Raises 0x80004005 when the number of parameters differs from the
  // statement's placeholders, 13 (Type mismatch) for an object or array value.
  ResultSet Run(std::span<const contracts::Parameter> params, std::int32_t maxRecords) override;
  // Queries that change nothing. Transaction control (BEGIN, COMMIT, ...)
  // counts as a change here: it must not run inside a call's snapshot.
  bool IsReadOnly() const override {
    return !stmt_ || (sqlite3_stmt_readonly(stmt_) && sqlite3_column_count(stmt_) > 0);
  }

 private:
  // The result columns: names and the kinds their declared types stand for
  // (nullopt for expressions). Read once per statement, and again when the
  // number of columns changed (SQLite prepared it anew after a schema
  // change that added columns).
  struct Columns {
    FieldList fields;
    std::vector<std::optional<rt::VarType>> kinds;
  };
  const Columns& ResultColumns();
  void Bind(std::span<const contracts::Parameter> params);

  // A statement mostly returns as many rows as it did the last time: its
  // result takes room for that many at once (up to kRowsToExpect, so one
  // large result does not make every later one hold a large block).
  static constexpr std::size_t kRowsToExpect = 256;

  sqlite3* db_;
  sqlite3_stmt* stmt_;
  Columns columns_;
  std::size_t lastRowCount_ = 1;
  std::vector<rt::DateText> dates_;  // date texts bound for the current run
};

}  // namespace korvo::data
