// DialectRewrite: one statement in the library's SQL dialect being rewritten
// token by token for a backend. Each backend's translator applies the steps
// its database needs (docs/data-layer.md lists them per backend); the text
// inside literals, quoted identifiers and comments is never touched unless a
// step replaces a whole literal on purpose.
//
// Column types come from the table definitions given: a value counts as
// compared with, or written into, a column when a table the statement names
// declares a column of that name. Single-use: construct, apply steps, Join.
// Thread-compatible.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/data/schema.h"
#include "platform/data/sql_tokenizer.h"

namespace korvo::data {

class DialectRewrite {
 public:
  DialectRewrite(std::string_view sql, std::span<const TableDef> tables);

  // "set TRANSACTION ISOLATION LEVEL READ COMMITTED", any case, optional ";".
  bool IsReadCommittedStatement() const;

  // INSERT without INTO gets INTO.
  void AddInto();
  // N'...' literals lose the N.
  void NationalLiterals();

  // The output texts of a LIKE keyword and of the pattern after it (a text
  // literal or a parameter), for a step to rewrite.
  struct LikeClause {
    std::string& keyword;
    std::string& pattern;
    const Token& patternToken;
  };
  // Calls `rewrite` for every LIKE followed by a text literal or parameter
  // and not already followed by an ESCAPE clause.
  void LikePatterns(const std::function<void(LikeClause&)>& rewrite);

  // Calls `rewrite` for every text or number literal compared (=, <>, !=, <,
  // <=, >, >=) with a column, or written into one (INSERT column list or
  // table column order with VALUES; UPDATE SET), once for each definition of
  // that column in the tables the statement names, until one answers a
  // replacement for the literal's text.
  void ColumnValues(const std::function<std::optional<std::string>(const Token& literal,
                                                                   const ColumnDef& column)>& rewrite);
  // The same for the literals written into a column only: an INSERT's
  // values and an UPDATE's SET assignments (not its WHERE clause).
  void WrittenValues(const std::function<std::optional<std::string>(const Token& literal,
                                                                    const ColumnDef& column)>& rewrite);

  // SELECT [DISTINCT] TOP n / TOP (n) becomes LIMIT n at the end of that
  // query or subquery (TOP n PERCENT and WITH TIES are left alone).
  void TopToLimit();
  // Positional "?" markers become $1, $2, ... in order.
  void NumberParameters();
  // [x] and `x` become x when x is a plain name (so the database folds it as
  // it folds unquoted names), "x" otherwise.
  void UnbracketIdentifiers();
  // An INSERT gets " RETURNING column" at its end (before a final ";").
  void AppendReturning(std::string_view column);

  // The table an INSERT writes into, as written; "" for other statements.
  std::string InsertTable() const;
  // Every name the statement spells (words and quoted identifiers), in order.
  std::vector<std::string> Names() const;
  // The names the statement gives after AS (column and table aliases).
  std::vector<std::string> Aliases() const;

  std::string Join() const;

 private:
  const Token& At(std::size_t k) const { return tokens_[sig_[k]]; }
  std::string& Out(std::size_t k) { return out_[sig_[k]]; }
  std::string ColumnNameAt(std::size_t k) const;
  const TableDef* NamedTable(const std::string& name) const;
  std::size_t InsertTablePosition() const;
  void RewriteValue(
      std::size_t k, const std::string& column, const TableDef* table,
      const std::function<std::optional<std::string>(const Token&, const ColumnDef&)>& rewrite);
  void ComparedValues(
      const std::function<std::optional<std::string>(const Token&, const ColumnDef&)>& rewrite);
  void InsertedValues(
      const std::function<std::optional<std::string>(const Token&, const ColumnDef&)>& rewrite);
  void AssignedValues(
      const std::function<std::optional<std::string>(const Token&, const ColumnDef&)>& rewrite);
  std::size_t CloseOf(std::size_t k) const;
  std::vector<std::vector<std::size_t>> Elements(std::size_t k) const;
  std::size_t ScopeEnd(std::size_t k) const;

  std::vector<Token> tokens_;
  std::vector<std::size_t> sig_;  // positions of the significant tokens
  std::vector<std::string> out_;  // the output text of every token
  std::vector<const TableDef*> named_;
};

// A LIKE pattern written with bracket escapes, rewritten with backslash
// escapes (to be used with ESCAPE '\'); nullopt when the pattern has no
// bracket escape or holds a class of several characters ([a-z]), which a
// backslash escape cannot express.
std::optional<std::string> BracketToBackslashPattern(std::string_view pattern);

}  // namespace korvo::data
