#include "platform/utility/listed_columns.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

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
    "WHERE", "JOIN",   "INNER", "LEFT",   "RIGHT",     "FULL",  "CROSS", "OUTER", "ORDER",
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

// The table a FROM clause reads first, the alias it is given there, and the
// index of the token after that reference.
struct FromTable {
  std::string name;
  std::string alias;
  std::size_t end = 0;
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
    table.alias = data::IdentifierName(tokens[i++]);
  }
  table.end = i;
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
void AddItem(const Tokens& item, const std::optional<FromTable>& table,
             std::vector<std::string>& columns) {
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

// A SELECT statement's select items and the table its FROM clause reads
// first.
struct Select {
  Tokens tokens;
  std::vector<Tokens> items;
  std::optional<FromTable> table;
};

Select ParseSelect(std::string_view statement) {
  Select select{Significant(statement), std::vector<Tokens>(1), std::nullopt};
  const Tokens& tokens = select.tokens;
  if (tokens.empty() || !tokens[0].IsKeyword("SELECT")) {
    rt::Raise(errnum::kUnpageableListing, "Only a SELECT statement can be listed page by page",
              errnum::kDRecordsetSource);
  }
  // The select items, split at the commas outside parentheses, up to FROM.
  std::size_t i = FirstItem(tokens);
  int depth = 0;
  for (; i < tokens.size(); ++i) {
    const Token& token = tokens[i];
    if (depth == 0 && token.IsKeyword("FROM")) break;
    if (token.IsSymbol("(")) ++depth;
    if (token.IsSymbol(")")) --depth;
    if (depth == 0 && token.IsSymbol(",")) {
      select.items.emplace_back();
    } else {
      select.items.back().push_back(token);
    }
  }
  if (i < tokens.size()) select.table = FirstTable(tokens, i);
  return select;
}

// Words outside parentheses after which a NOT NULL column may be listed
// as null: another table joined or applied, another query's rows, or
// grouping subtotals.
constexpr std::array<std::string_view, 8> kNullBringingWords = {
    "JOIN", "APPLY", "UNION", "EXCEPT", "INTERSECT", "ROLLUP", "CUBE", "GROUPING"};

// Whether the statement reads its first table alone and lists its values
// as they are stored.
bool ReadsOneTable(const Select& select) {
  const Tokens& tokens = select.tokens;
  std::size_t i = select.table->end;
  if (i < tokens.size() && tokens[i].IsSymbol(",")) return false;  // a second table
  int depth = 0;
  for (; i < tokens.size(); ++i) {
    if (tokens[i].IsSymbol("(")) ++depth;
    if (tokens[i].IsSymbol(")")) --depth;
    const bool bringsNulls =
        std::any_of(kNullBringingWords.begin(), kNullBringingWords.end(),
                    [&](std::string_view word) { return tokens[i].IsKeyword(word); });
    if (depth == 0 && bringsNulls) return false;
  }
  return true;
}

// The column of `table` one select item reads as it is, and the name it is
// listed under: "C", "T.C", "C A", "C AS A", "T.C A" or "T.C AS A".
std::optional<std::pair<const data::ColumnDef*, std::string>> PlainColumn(const Tokens& item,
                                                                          const data::TableDef& table,
                                                                          const FromTable& from) {
  std::size_t i = 0;
  if (item.size() >= 3 && item[1].IsSymbol(".")) {
    if (!NamesTable(item[0], from)) return std::nullopt;
    i = 2;
  }
  if (i >= item.size() || !IsName(item[i])) return std::nullopt;
  const data::ColumnDef* column = table.FindColumn(data::IdentifierName(item[i]));
  if (!column) return std::nullopt;
  std::size_t alias = i + 1;
  if (alias < item.size() && item[alias].IsKeyword("AS")) ++alias;
  if (alias == item.size() && alias == i + 1)
    return std::make_pair(column, data::IdentifierName(item[i]));
  if (alias + 1 == item.size() && IsName(item[alias])) {
    return std::make_pair(column, data::IdentifierName(item[alias]));
  }
  return std::nullopt;
}

}  // namespace

std::vector<std::string> ListedColumns(std::string_view statement) {
  const Select select = ParseSelect(statement);
  std::vector<std::string> columns;
  for (const Tokens& item : select.items) AddItem(item, select.table, columns);
  return columns;
}

std::vector<std::string> NeverNullColumns(std::string_view statement) {
  const Select select = ParseSelect(statement);
  const data::TableDef* table = select.table ? data::FindTable(select.table->name) : nullptr;
  if (!table || !ReadsOneTable(select)) return {};
  // Every listed name with whether it is a NOT NULL column read as it is;
  // a name listed twice counts only when both are.
  std::vector<std::pair<std::string, bool>> listed;
  for (const Tokens& item : select.items) {
    const bool star = (item.size() == 1 && item[0].IsSymbol("*")) ||
                      (item.size() == 3 && item[2].IsSymbol("*") && NamesTable(item[0], select.table));
    if (star) {
      for (const auto& column : table->columns) listed.emplace_back(column.name, !column.nullable);
    } else if (const auto plain = PlainColumn(item, *table, *select.table)) {
      listed.emplace_back(plain->second, !plain->first->nullable);
    } else {
      std::vector<std::string> names;
      AddItem(item, select.table, names);
      for (const std::string& name : names) listed.emplace_back(name, false);
    }
  }
  std::vector<std::string> neverNull;
  for (const auto& [name, notNull] : listed) {
    const bool everywhere = std::all_of(listed.begin(), listed.end(), [&](const auto& other) {
      return !rt::TextEqualsNoCase(other.first, name) || other.second;
    });
    if (notNull && everywhere) neverNull.push_back(name);
  }
  return neverNull;
}

}  // namespace korvo::utility
