// SqliteTranslator: rewrites the library's SQL dialect into SQLite's, token
// by token, touching only this set (docs/data-layer.md lists it):
//   - INSERT without INTO gets INTO;
//   - N'...' literals lose the N;
//   - LIKE patterns with bracket escapes ([%], [_], [[], [x]) become
//     backslash escapes with ESCAPE '\';
//   - "set TRANSACTION ISOLATION LEVEL READ COMMITTED" becomes no statement
//     (SQLite transactions are serializable; readers see committed data);
//   - a text literal compared with, or written into, a DATETIME column that
//     reads as a date becomes the stored form 'yyyy-mm-dd hh:nn:ss';
//   - SELECT TOP n ... becomes SELECT ... LIMIT n.
// Everything else, and everything inside literals, quoted identifiers and
// comments, passes through unchanged.
//
// Column types come from the table definitions given (the library's schema
// by default); a column counts as a date when a table the statement names
// declares it DateTime. Immutable; thread-safe.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/data/dialect_rewrite.h"
#include "platform/data/schema.h"

namespace korvo::data {

class SqliteTranslator {
 public:
  explicit SqliteTranslator(std::span<const TableDef> tables = SchemaTables()) : tables_(tables) {}

  // The statement in SQLite's dialect; "" when it has nothing to do here.
  // Throws DriverError (FailureKind::Other) when the statement writes or
  // compares a literal its typed column cannot hold, before it could run.
  std::string Translate(std::string_view sql) const;

 private:
  std::span<const TableDef> tables_;
};

}  // namespace korvo::data
