#include "platform/data/dialect_rewrite.h"

#include <algorithm>
#include <array>
#include <cctype>

#include "platform/runtime/conversions.h"

namespace korvo::data {
namespace {

using ValueRewrite = std::function<std::optional<std::string>(const Token&, const ColumnDef&)>;

std::size_t Utf8Length(char lead) {
  const auto u = static_cast<unsigned char>(lead);
  if (u >= 0xF0) return 4;
  if (u >= 0xE0) return 3;
  if (u >= 0xC0) return 2;
  return 1;
}

bool IsComparison(const Token& t) {
  static constexpr std::array<std::string_view, 7> kOps = {"=", "<>", "!=", "<", "<=", ">", ">="};
  return t.kind == TokenKind::Symbol && std::find(kOps.begin(), kOps.end(), t.text) != kOps.end();
}

bool IsName(const Token& t) {
  return t.kind == TokenKind::Word || t.kind == TokenKind::QuotedIdentifier;
}

bool IsLiteral(const Token& t) { return t.kind == TokenKind::String || t.kind == TokenKind::Number; }

bool IsPlainName(std::string_view name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name.front()))) return false;
  return std::all_of(name.begin(), name.end(),
                     [](char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; });
}

}  // namespace

DialectRewrite::DialectRewrite(std::string_view sql, std::span<const TableDef> tables)
    : tokens_(Tokenize(sql)) {
  for (std::size_t i = 0; i < tokens_.size(); ++i) {
    out_.emplace_back(tokens_[i].text);
    if (tokens_[i].IsSignificant()) sig_.push_back(i);
  }
  for (const auto& table : tables) {
    if (std::any_of(sig_.begin(), sig_.end(), [&](std::size_t i) {
          return IsName(tokens_[i]) && rt::TextEqualsNoCase(IdentifierName(tokens_[i]), table.name);
        })) {
      named_.push_back(&table);
    }
  }
}

bool DialectRewrite::IsReadCommittedStatement() const {
  static constexpr std::array<std::string_view, 6> kWords = {"SET",   "TRANSACTION", "ISOLATION",
                                                             "LEVEL", "READ",        "COMMITTED"};
  const std::size_t n = sig_.size();
  if (n != kWords.size() && !(n == kWords.size() + 1 && At(n - 1).IsSymbol(";"))) return false;
  for (std::size_t k = 0; k < kWords.size(); ++k) {
    if (!At(k).IsKeyword(kWords[k])) return false;
  }
  return true;
}

void DialectRewrite::AddInto() {
  if (sig_.size() > 1 && At(0).IsKeyword("INSERT") && !At(1).IsKeyword("INTO") &&
      !At(1).IsKeyword("OR")) {
    Out(0) += " INTO";
  }
}

void DialectRewrite::NationalLiterals() {
  for (std::size_t i = 0; i < tokens_.size(); ++i) {
    if (tokens_[i].IsNational()) out_[i] = tokens_[i].text.substr(1);
  }
}

void DialectRewrite::LikePatterns(const std::function<void(LikeClause&)>& rewrite) {
  for (std::size_t k = 0; k + 1 < sig_.size(); ++k) {
    if (!At(k).IsKeyword("LIKE")) continue;
    const TokenKind next = At(k + 1).kind;
    if (next != TokenKind::String && next != TokenKind::Parameter) continue;
    if (k + 2 < sig_.size() && At(k + 2).IsKeyword("ESCAPE")) continue;
    LikeClause clause{Out(k), Out(k + 1), At(k + 1)};
    rewrite(clause);
  }
}

void DialectRewrite::ColumnValues(const ValueRewrite& rewrite) {
  ComparedValues(rewrite);
  InsertedValues(rewrite);
}

void DialectRewrite::WrittenValues(const ValueRewrite& rewrite) {
  InsertedValues(rewrite);
  AssignedValues(rewrite);
}

void DialectRewrite::AssignedValues(const ValueRewrite& rewrite) {
  if (sig_.size() < 3 || !At(0).IsKeyword("UPDATE") || !IsName(At(1))) return;
  const TableDef* table = NamedTable(IdentifierName(At(1)));
  if (!table || !At(2).IsKeyword("SET")) return;
  for (std::size_t k = 3; k + 2 < sig_.size() && !At(k).IsKeyword("WHERE"); ++k) {
    if (IsName(At(k)) && At(k + 1).IsSymbol("=") && IsLiteral(At(k + 2))) {
      RewriteValue(k + 2, IdentifierName(At(k)), table, rewrite);
    }
  }
}

void DialectRewrite::ComparedValues(const ValueRewrite& rewrite) {
  for (std::size_t k = 1; k + 1 < sig_.size(); ++k) {
    if (!IsComparison(At(k))) continue;
    if (IsName(At(k - 1)) && IsLiteral(At(k + 1))) {
      RewriteValue(k + 1, IdentifierName(At(k - 1)), nullptr, rewrite);
    } else if (IsLiteral(At(k - 1)) && IsName(At(k + 1))) {
      RewriteValue(k - 1, ColumnNameAt(k + 1), nullptr, rewrite);
    }
  }
}

void DialectRewrite::InsertedValues(const ValueRewrite& rewrite) {
  std::size_t k = InsertTablePosition();
  if (k >= sig_.size()) return;
  const TableDef* table = NamedTable(IdentifierName(At(k)));
  if (!table) return;
  std::vector<std::string> columns;
  ++k;
  if (k < sig_.size() && At(k).IsSymbol("(")) {
    for (const auto& element : Elements(k)) {
      if (element.size() == 1 && IsName(At(element[0]))) {
        columns.push_back(IdentifierName(At(element[0])));
      } else {
        columns.emplace_back();
      }
    }
    k = CloseOf(k) + 1;
  } else {
    for (const auto& column : table->columns) columns.push_back(column.name);
  }
  if (k >= sig_.size() || !At(k).IsKeyword("VALUES")) return;
  for (++k; k < sig_.size() && At(k).IsSymbol("("); k = CloseOf(k) + 2) {
    const auto elements = Elements(k);
    for (std::size_t e = 0; e < elements.size() && e < columns.size(); ++e) {
      if (elements[e].size() == 1 && IsLiteral(At(elements[e][0]))) {
        RewriteValue(elements[e][0], columns[e], table, rewrite);
      }
    }
    if (CloseOf(k) + 1 >= sig_.size() || !At(CloseOf(k) + 1).IsSymbol(",")) break;
  }
}

void DialectRewrite::TopToLimit() {
  for (std::size_t k = 0; k + 2 < sig_.size(); ++k) {
    if (!At(k).IsKeyword("SELECT")) continue;
    std::size_t j = k + 1;
    if (At(j).IsKeyword("DISTINCT") || At(j).IsKeyword("ALL")) ++j;
    if (j + 1 >= sig_.size() || !At(j).IsKeyword("TOP")) continue;
    const bool parenthesised = At(j + 1).IsSymbol("(");
    const std::size_t number = parenthesised ? j + 2 : j + 1;
    const std::size_t last = parenthesised ? j + 3 : j + 1;
    if (last >= sig_.size() || At(number).kind != TokenKind::Number) continue;
    if (parenthesised && !At(last).IsSymbol(")")) continue;
    if (last + 1 < sig_.size() &&
        (At(last + 1).IsKeyword("PERCENT") || At(last + 1).IsKeyword("WITH"))) {
      continue;
    }
    const std::string limit = " LIMIT " + std::string(At(number).text);
    for (std::size_t i = sig_[j]; i <= sig_[last]; ++i) out_[i].clear();
    if (sig_[last] + 1 < tokens_.size() && tokens_[sig_[last] + 1].kind == TokenKind::Space) {
      out_[sig_[last] + 1].clear();
    }
    const std::size_t end = ScopeEnd(last + 1);
    if (end < sig_.size()) {
      Out(end) = limit + Out(end);
    } else {
      Out(sig_.size() - 1) += limit;
    }
  }
}

void DialectRewrite::NumberParameters() {
  int number = 0;
  for (std::size_t i = 0; i < tokens_.size(); ++i) {
    if (tokens_[i].kind == TokenKind::Parameter) out_[i] = "$" + std::to_string(++number);
  }
}

void DialectRewrite::UnbracketIdentifiers() {
  for (std::size_t i = 0; i < tokens_.size(); ++i) {
    const Token& token = tokens_[i];
    if (token.kind != TokenKind::QuotedIdentifier || token.text.front() == '"') continue;
    const std::string name = IdentifierName(token);
    if (IsPlainName(name)) {
      out_[i] = name;
      continue;
    }
    std::string quoted = "\"";
    for (char c : name) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    out_[i] = quoted + "\"";
  }
}

void DialectRewrite::AppendReturning(std::string_view column) {
  if (sig_.empty() || !At(0).IsKeyword("INSERT")) return;
  const std::string returning = " RETURNING " + std::string(column);
  if (At(sig_.size() - 1).IsSymbol(";")) {
    Out(sig_.size() - 1) = returning + Out(sig_.size() - 1);
  } else {
    Out(sig_.size() - 1) += returning;
  }
}

std::string DialectRewrite::InsertTable() const {
  const std::size_t k = InsertTablePosition();
  return k < sig_.size() ? IdentifierName(At(k)) : std::string();
}

std::vector<std::string> DialectRewrite::Names() const {
  std::vector<std::string> names;
  for (std::size_t k : sig_) {
    if (IsName(tokens_[k])) names.push_back(IdentifierName(tokens_[k]));
  }
  return names;
}

std::vector<std::string> DialectRewrite::Aliases() const {
  std::vector<std::string> aliases;
  for (std::size_t k = 1; k < sig_.size(); ++k) {
    if (At(k - 1).IsKeyword("AS") && IsName(At(k))) aliases.push_back(IdentifierName(At(k)));
  }
  return aliases;
}

std::string DialectRewrite::Join() const {
  std::string sql;
  for (const auto& part : out_) sql += part;
  return sql;
}

// The column a name starting at k stands for: the last part of A.B.COL.
std::string DialectRewrite::ColumnNameAt(std::size_t k) const {
  while (k + 2 < sig_.size() && At(k + 1).IsSymbol(".") && IsName(At(k + 2))) k += 2;
  return IdentifierName(At(k));
}

const TableDef* DialectRewrite::NamedTable(const std::string& name) const {
  for (const TableDef* table : named_) {
    if (rt::TextEqualsNoCase(table->name, name)) return table;
  }
  return nullptr;
}

// The significant position of the table name of an INSERT (the last part of
// a qualified name); sig_.size() for other statements.
std::size_t DialectRewrite::InsertTablePosition() const {
  if (sig_.size() < 2 || !At(0).IsKeyword("INSERT")) return sig_.size();
  std::size_t k = At(1).IsKeyword("INTO") ? 2 : 1;
  if (k >= sig_.size() || !IsName(At(k))) return sig_.size();
  while (k + 2 < sig_.size() && At(k + 1).IsSymbol(".") && IsName(At(k + 2))) k += 2;
  return k;
}

// Offers the literal at k to `rewrite` with every definition of the column:
// the given table's, or those of every table the statement names.
void DialectRewrite::RewriteValue(std::size_t k, const std::string& column, const TableDef* table,
                                  const ValueRewrite& rewrite) {
  if (column.empty()) return;
  auto offer = [&](const TableDef* t) {
    const ColumnDef* c = t->FindColumn(column);
    if (!c) return false;
    if (auto replacement = rewrite(At(k), *c)) {
      Out(k) = std::move(*replacement);
      return true;
    }
    return false;
  };
  if (table) {
    offer(table);
    return;
  }
  for (const TableDef* t : named_) {
    if (offer(t)) return;
  }
}

// The significant position of the ")" closing the "(" at k.
std::size_t DialectRewrite::CloseOf(std::size_t k) const {
  int depth = 0;
  for (std::size_t j = k; j < sig_.size(); ++j) {
    if (At(j).IsSymbol("(")) ++depth;
    if (At(j).IsSymbol(")") && --depth == 0) return j;
  }
  return sig_.size();
}

// The comma-separated elements inside the parentheses opening at k, each as
// the significant positions it spans.
std::vector<std::vector<std::size_t>> DialectRewrite::Elements(std::size_t k) const {
  std::vector<std::vector<std::size_t>> elements(1);
  const std::size_t close = CloseOf(k);
  int depth = 0;
  for (std::size_t j = k + 1; j < close && j < sig_.size(); ++j) {
    if (At(j).IsSymbol("(")) ++depth;
    if (At(j).IsSymbol(")")) --depth;
    if (depth == 0 && At(j).IsSymbol(",")) {
      elements.emplace_back();
    } else {
      elements.back().push_back(j);
    }
  }
  return elements;
}

// Where the query starting at k ends: the ")" that closes its enclosing
// parenthesis, a ";", or sig_.size() at the end of the text.
std::size_t DialectRewrite::ScopeEnd(std::size_t k) const {
  int depth = 0;
  for (std::size_t j = k; j < sig_.size(); ++j) {
    if (At(j).IsSymbol("(")) ++depth;
    if (At(j).IsSymbol(")") && --depth < 0) return j;
    if (depth == 0 && At(j).IsSymbol(";")) return j;
  }
  return sig_.size();
}

std::optional<std::string> BracketToBackslashPattern(std::string_view pattern) {
  std::string out;
  bool escaped = false;
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    const char c = pattern[i];
    if (c == '\\') {
      out += "\\\\";
    } else if (c == '[') {
      const std::size_t length = i + 1 < pattern.size() ? Utf8Length(pattern[i + 1]) : 0;
      if (length == 0 || i + 1 + length >= pattern.size() || pattern[i + 1 + length] != ']') {
        return std::nullopt;
      }
      const std::string_view literal = pattern.substr(i + 1, length);
      if (literal == "%" || literal == "_") out += '\\';
      out += literal;
      i += length + 1;
      escaped = true;
    } else {
      out += c;
    }
  }
  if (!escaped) return std::nullopt;
  return out;
}

}  // namespace korvo::data
