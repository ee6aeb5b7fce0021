#include "platform/data/postgres/postgres_translator.h"

#include <algorithm>
#include <cctype>

#include "platform/data/dialect_rewrite.h"
#include "platform/data/postgres/postgres_error.h"
#include "platform/data/storable_literal.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"

namespace korvo::data {
namespace {

std::string AsciiLower(std::string_view name) {
  std::string lower(name);
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return lower;
}

// Key texts compare under a case-insensitive collation PostgreSQL cannot
// match patterns under; ILIKE under the default collation ignores case as
// the library's LIKE always did.
void CaseInsensitiveLike(DialectRewrite::LikeClause& like) {
  like.keyword = "ILIKE";
  constexpr const char* kCollation = " COLLATE \"default\"";
  if (like.patternToken.kind != TokenKind::String) {
    like.pattern += kCollation;
    return;
  }
  const std::string written = StringValue(like.patternToken);
  if (auto escaped = BracketToBackslashPattern(written)) {
    like.pattern = QuoteString(*escaped) + kCollation + " ESCAPE '\\'";
  } else {
    like.pattern = QuoteString(written) + kCollation + " ESCAPE ''";
  }
}

bool IsZero(std::string_view number) {
  return std::all_of(number.begin(), number.end(), [](char c) { return c == '0' || c == '.'; });
}

std::optional<std::string> TypedLiteral(const Token& literal, const ColumnDef& column) {
  if (column.type == ColumnType::DateTime && literal.kind == TokenKind::String) {
    if (auto date = rt::ParseDate(StringValue(literal))) return QuoteString(rt::FormatStoredDate(*date));
  }
  if (column.type == ColumnType::Boolean && literal.kind == TokenKind::Number) {
    return IsZero(literal.text) ? "FALSE" : "TRUE";
  }
  return std::nullopt;
}

int CountParameters(std::string_view sql) {
  const auto tokens = Tokenize(sql);
  return static_cast<int>(std::count_if(tokens.begin(), tokens.end(),
                                        [](const Token& t) { return t.kind == TokenKind::Parameter; }));
}

}  // namespace

const std::string& PostgresTranslation::ColumnName(const std::string& answered) const {
  if (auto it = names.find(answered); it != names.end()) return it->second;
  if (schemaNames) {
    if (auto it = schemaNames->find(answered); it != schemaNames->end()) return it->second;
  }
  return answered;
}

PostgresTranslator::PostgresTranslator(std::span<const TableDef> tables) : tables_(tables) {
  auto names = std::make_shared<NameSpellings>();
  for (const auto& table : tables_) {
    for (const auto& column : table.columns) names->emplace(AsciiLower(column.name), column.name);
  }
  schemaNames_ = std::move(names);
}

PostgresTranslation PostgresTranslator::Translate(std::string_view sql) const {
  PostgresTranslation translation;
  DialectRewrite rewrite(sql, tables_);
  if (rewrite.IsReadCommittedStatement()) return translation;
  rewrite.AddInto();
  rewrite.NationalLiterals();
  rewrite.NumberParameters();
  rewrite.LikePatterns(CaseInsensitiveLike);
  rewrite.WrittenValues([](const Token& literal, const ColumnDef& column) {
    RequireStorable(literal, column, kPostgresSource);
    return std::optional<std::string>();
  });
  rewrite.ColumnValues(TypedLiteral);
  rewrite.TopToLimit();
  rewrite.UnbracketIdentifiers();
  for (const auto& table : tables_) {
    if (table.identity && rt::TextEqualsNoCase(table.name, rewrite.InsertTable())) {
      translation.keyColumn = table.IdentityColumn();
      rewrite.AppendReturning(translation.keyColumn);
    }
  }
  // A column of the schema answers in the schema's spelling, however the
  // statement spells it (as SQLite answers a plain column reference); an
  // alias and any other name keep the statement's spelling.
  for (const auto& name : rewrite.Names()) {
    if (!schemaNames_->contains(AsciiLower(name))) translation.names.emplace(AsciiLower(name), name);
  }
  for (const auto& alias : rewrite.Aliases())
    translation.names.insert_or_assign(AsciiLower(alias), alias);
  translation.schemaNames = schemaNames_;
  translation.sql = rewrite.Join();
  translation.parameters = CountParameters(sql);
  return translation;
}

}  // namespace korvo::data
