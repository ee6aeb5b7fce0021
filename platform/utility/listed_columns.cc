#include "platform/utility/listed_columns.h"

#include <algorithm>
#include <array>
#include <optional>

#include "platform/data/schema.h"
#include "platform/data/sql_tokenizer.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "platform/utility/paging_errors.h"

namespace korvo::utility {

namespace {

using data::Token;
using data::TokenKind;
using Tokens = std::vector<Token>;

// Words that end a table reference instead of naming its alias.
constexpr std::array<std::string_view, 17> kClauseWords = {
    "WHERE", "JOIN",  "INNER", "LEFT",   "RIGHT",     "FULL",  "CROSS", "OUTER", "ORDER",
    "GROUP", "HAVING", "UNION", "EXCEPT", "INTERSECT", "LIMIT", "ON",    "WINDOW"};

bool IsName(const Token& token) {
  return token.kind == TokenKind::Word || token.kind == TokenKind::QuotedIdentifier;
}

bool IsClauseWord(const Token& token) {
  return std::any_of(kClauseWords.begin(), kClauseWords.end(),
                     [&](std::string_view word) { return token.IsKeyword(word); });
}

Tokens Significant(std::string_view statement) {
  Tokens tokens;
  for (const Token& token : data::Tokenize(statement)) {
    if (token.IsSignificant()) tokens.push_back(token);
  }
  return tokens;
}

// The table a FROM clause reads first, and the alias it is given there.
struct FromTable {
  std::string name;
  std::string alias;
};

std::optional<FromTable> FirstTable(const Tokens& tokens, std::size_t from) {
  std::size_t i = from + 1;
  if (i >= tokens.size() || !IsName(tokens[i])) return std::nullopt;  // a subquery, say
  FromTable table{data::IdentifierName(tokens[i]), ""};
  // schema.TABLE names the table after the dot.
  while (i + 2 < tokens.size() && tokens[i + 1].IsSymbol(".") && IsName(tokens[i + 2])) {
    i += 2;
    table.name = data::IdentifierName(tokens[i]);
  }
  ++i;
  if (i < tokens.size() && tokens[i].IsKeyword("AS")) ++i;
  if (i < tokens.size() && IsName(tokens[i]) && !IsClauseWord(tokens[i])) {
    table.alias = data::IdentifierName(tokens[i]);
  }
  return table;
}

void AddTableColumns(const std::optional<FromTable>& table, std::vector<std::string>& columns) {
  if (!table) return;
  if (const data::TableDef* def = data::FindTable(table->name)) {
    for (const auto& column : def->columns) columns.push_back(column.name);
  }
}

bool NamesTable(const Token& qualifier, const std::optional<FromTable>& table) {
  if (!table) return false;
  const std::string name = data::IdentifierName(qualifier);
  return rt::TextEqualsNoCase(name, table->name) ||
         (!table->alias.empty() && rt::TextEqualsNoCase(name, table->alias));
}

// The names one select item contributes.
void AddItem(const Tokens& item, const std::optional<FromTable>& table, std::vector<std::string>& columns) {
  const std::size_t n = item.size();
  if (n == 1 && item[0].IsSymbol("*")) return AddTableColumns(table, columns);
  if (n == 3 && item[1].IsSymbol(".") && item[2].IsSymbol("*")) {
    if (NamesTable(item[0], table)) AddTableColumns(table, columns);
    return;
  }
  if (n == 0 || !IsName(item[n - 1])) return;
  // A lone name, the column of a qualified name, or an alias: after AS, or
  // after an expression that ends in a name, literal or parenthesis (after
  // an operator the name is an operand, not an alias).
  const bool column = n == 1 || (n == 3 && item[1].IsSymbol(".") && IsName(item[0]));
  const bool alias = n >= 2 && (item[n - 2].kind != TokenKind::Symbol || item[n - 2].IsSymbol(")"));
  if (column || alias) columns.push_back(data::IdentifierName(item[n - 1]));
}

// Index of the first select item: after SELECT, DISTINCT/ALL and TOP n.
std::size_t FirstItem(const Tokens& tokens) {
  std::size_t i = 1;
  if (i < tokens.size() && (tokens[i].IsKeyword("DISTINCT") || tokens[i].IsKeyword("ALL"))) ++i;
  if (i < tokens.size() && tokens[i].IsKeyword("TOP")) {
    ++i;
    if (i < tokens.size() && tokens[i].IsSymbol("(")) {
      while (i < tokens.size() && !tokens[i].IsSymbol(")")) ++i;
    }
    ++i;
    if (i < tokens.size() && tokens[i].IsKeyword("PERCENT")) ++i;
  }
  return i;
}

}  // namespace

std::vector<std::string> ListedColumns(std::string_view statement) {
  const Tokens tokens = Significant(statement);
  if (tokens.empty() || !tokens[0].IsKeyword("SELECT")) {
    rt::Raise(errnum::kUnpageableListing, "Only a SELECT statement can be listed page by page",
              errnum::kDRecordsetSource);
  }
  // The select items, split at the commas outside parentheses, up to FROM.
  std::vector<Tokens> items(1);
  std::size_t i = FirstItem(tokens);
  int depth = 0;
  for (; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (depth == 0 && token.IsKeyword("FROM")) break;
    if (token.IsSymbol("(")) ++depth;
    if (token.IsSymbol(")")) --depth;
    if (depth == 0 && token.IsSymbol(",")) {
      items.emplace_back();
    } else {
      items.back().push_back(token);
    }
  }
  const std::optional<FromTable> table =
      i < tokens.size() ? FirstTable(tokens, i) : std::nullopt;
  std::vector<std::string> columns;
  for (const Tokens& item : items) AddItem(item, table, columns);
  return columns;
}

}  // namespace korvo::utility
