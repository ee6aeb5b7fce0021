#include "platform/data/sqlite/sqlite_translator.h"

#include "platform/data/sqlite/sqlite_error.h"
#include "platform/data/storable_literal.h"
#include "platform/runtime/date.h"

namespace korvo::data {
namespace {

// A pattern with bracket escapes takes backslash escapes, which SQLite's
// LIKE understands only with an ESCAPE clause.
void EscapeLikePattern(DialectRewrite::LikeClause& like) {
  if (like.patternToken.kind != TokenKind::String) return;
  if (auto pattern = BracketToBackslashPattern(StringValue(like.patternToken))) {
    like.pattern = QuoteString(*pattern) + " ESCAPE '\\'";
  }
}

// Dates are stored as ISO text, so a date literal must take that form to
// compare in date order.
std::optional<std::string> StoredDate(const Token& literal, const ColumnDef& column) {
  if (column.type != ColumnType::DateTime || literal.kind != TokenKind::String) return std::nullopt;
  if (auto date = rt::ParseDate(StringValue(literal))) return QuoteString(rt::FormatStoredDate(*date));
  return std::nullopt;
}

}  // namespace

std::string SqliteTranslator::Translate(std::string_view sql) const {
  DialectRewrite rewrite(sql, tables_);
  if (rewrite.IsReadCommittedStatement()) return {};
  rewrite.AddInto();
  rewrite.NationalLiterals();
  rewrite.LikePatterns(EscapeLikePattern);
  rewrite.WrittenValues([](const Token& literal, const ColumnDef& column) {
    RequireStorable(literal, column, kSqliteSource);
    return std::optional<std::string>();
  });
  rewrite.WrittenValues(BooleanTextAsNumber);
  rewrite.ColumnValues(StoredDate);
  rewrite.TopToLimit();
  return rewrite.Join();
}

}  // namespace korvo::data
