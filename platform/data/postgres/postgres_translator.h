// PostgresTranslator: rewrites the library's SQL dialect into PostgreSQL's,
// with the same tokenizer and the same set as the SQLite backend, plus what
// PostgreSQL needs besides (docs/postgresql.md lists it):
//   - INSERT without INTO gets INTO; N'...' loses the N;
//   - LIKE becomes ILIKE under the deterministic default collation (the
//     library's LIKE never regarded case, and the case-insensitive key
//     collation cannot match patterns); bracket escapes become backslash
//     escapes with ESCAPE '\', other literal patterns get ESCAPE '' so a
//     backslash in them stays an ordinary character;
//   - "set TRANSACTION ISOLATION LEVEL READ COMMITTED" becomes no statement;
//   - a text literal compared with, or written into, a DateTime column that
//     reads as a date becomes ISO 'yyyy-mm-dd hh:nn:ss' (read the same under
//     any DateStyle);
//   - a number literal compared with, or written into, a Boolean column
//     becomes TRUE (not 0) or FALSE (0);
//   - SELECT TOP n ... becomes SELECT ... LIMIT n;
//   - ? placeholders become $1..$n; [x] and `x` become plain names;
//   - an INSERT into a table with a database-assigned key returns that key
//     (RETURNING), so the key is read back without another round trip.
// Immutable; thread-safe.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>

#include "platform/data/schema.h"

namespace korvo::data {

// Result column names as the library spells them, by the lower-case name the
// server answers for an unquoted name.
using NameSpellings = std::unordered_map<std::string, std::string>;

struct PostgresTranslation {
  // The statement in PostgreSQL's dialect; "" when it has nothing to do.
  std::string sql;
  // The number of $n parameters.
  int parameters = 0;
  // The identity column an INSERT returns; "" for other statements.
  std::string keyColumn;
  // The statement's aliases and the other names it spells that are no
  // schema column, then the schema's (shared by every translation of one
  // translator).
  NameSpellings names;
  std::shared_ptr<const NameSpellings> schemaNames;

  // The library's spelling of a result column name the server answered:
  // the statement's own, else the schema's, else the name as answered.
  const std::string& ColumnName(const std::string& answered) const;
};

class PostgresTranslator {
 public:
  explicit PostgresTranslator(std::span<const TableDef> tables = SchemaTables());

  PostgresTranslation Translate(std::string_view sql) const;

 private:
  std::span<const TableDef> tables_;
  std::shared_ptr<const NameSpellings> schemaNames_;
};

}  // namespace korvo::data
