#include "platform/data/sqlite/sqlite_translator.h"

#include <algorithm>
#include <array>
#include <vector>

#include "platform/data/sql_tokenizer.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"

namespace korvo::data {
namespace {

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

bool IsName(const Token& t) { return t.kind == TokenKind::Word || t.kind == TokenKind::QuotedIdentifier; }

// One statement being rewritten: its tokens, the positions of the
// significant ones, and the output text of every token.
class Rewrite {
 public:
  Rewrite(std::string_view sql, std::span<const TableDef> tables) : tokens_(Tokenize(sql)) {
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

  bool IsReadCommittedStatement() const {
    static constexpr std::array<std::string_view, 6> kWords = {"SET", "TRANSACTION", "ISOLATION",
                                                              "LEVEL", "READ", "COMMITTED"};
    const std::size_t n = sig_.size();
    if (n != kWords.size() && !(n == kWords.size() + 1 && At(n - 1).IsSymbol(";"))) return false;
    for (std::size_t k = 0; k < kWords.size(); ++k) {
      if (!At(k).IsKeyword(kWords[k])) return false;
    }
    return true;
  }

  void AddInto() {
    if (sig_.size() > 1 && At(0).IsKeyword("INSERT") && !At(1).IsKeyword("INTO") && !At(1).IsKeyword("OR")) {
      Out(0) += " INTO";
    }
  }

  void NationalLiterals() {
    for (std::size_t i = 0; i < tokens_.size(); ++i) {
      if (tokens_[i].IsNational()) out_[i] = tokens_[i].text.substr(1);
    }
  }

  void LikePatterns() {
    for (std::size_t k = 0; k + 1 < sig_.size(); ++k) {
      if (!At(k).IsKeyword("LIKE") || At(k + 1).kind != TokenKind::String) continue;
      if (k + 2 < sig_.size() && At(k + 2).IsKeyword("ESCAPE")) continue;
      if (auto pattern = BracketToBackslashPattern(StringValue(At(k + 1)))) {
        Out(k + 1) = QuoteString(*pattern) + " ESCAPE '\\'";
      }
    }
  }

  void DateComparisons() {
    for (std::size_t k = 1; k + 1 < sig_.size(); ++k) {
      if (!IsComparison(At(k))) continue;
      if (IsName(At(k - 1)) && At(k + 1).kind == TokenKind::String) {
        StoreDate(k + 1, IdentifierName(At(k - 1)));
      } else if (At(k - 1).kind == TokenKind::String && IsName(At(k + 1))) {
        StoreDate(k - 1, ColumnNameAt(k + 1));
      }
    }
  }

  void DateInsertValues() {
    if (sig_.size() < 2 || !At(0).IsKeyword("INSERT")) return;
    std::size_t k = At(1).IsKeyword("INTO") ? 2 : 1;
    if (k >= sig_.size() || !IsName(At(k))) return;
    while (k + 2 < sig_.size() && At(k + 1).IsSymbol(".") && IsName(At(k + 2))) k += 2;
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
        if (elements[e].size() == 1 && At(elements[e][0]).kind == TokenKind::String) {
          StoreDate(elements[e][0], columns[e], table);
        }
      }
      if (CloseOf(k) + 1 >= sig_.size() || !At(CloseOf(k) + 1).IsSymbol(",")) break;
    }
  }

  void TopToLimit() {
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
      if (last + 1 < sig_.size() && (At(last + 1).IsKeyword("PERCENT") || At(last + 1).IsKeyword("WITH"))) {
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

  std::string Join() const {
    std::string sql;
    for (const auto& part : out_) sql += part;
    return sql;
  }

 private:
  const Token& At(std::size_t k) const { return tokens_[sig_[k]]; }
  std::string& Out(std::size_t k) { return out_[sig_[k]]; }

  // The column a name starting at k stands for: the last part of A.B.COL.
  std::string ColumnNameAt(std::size_t k) const {
    while (k + 2 < sig_.size() && At(k + 1).IsSymbol(".") && IsName(At(k + 2))) k += 2;
    return IdentifierName(At(k));
  }

  const TableDef* NamedTable(const std::string& name) const {
    for (const TableDef* table : named_) {
      if (rt::TextEqualsNoCase(table->name, name)) return table;
    }
    return nullptr;
  }

  bool IsDateColumn(const std::string& column, const TableDef* table) const {
    auto isDate = [&](const TableDef* t) {
      const ColumnDef* c = t->FindColumn(column);
      return c && c->type == ColumnType::DateTime;
    };
    if (table) return isDate(table);
    return std::any_of(named_.begin(), named_.end(), isDate);
  }

  // Writes the literal at k in the stored date form when the column is a
  // date and the literal reads as one.
  void StoreDate(std::size_t k, const std::string& column, const TableDef* table = nullptr) {
    if (column.empty() || !IsDateColumn(column, table)) return;
    if (auto date = rt::ParseDate(StringValue(At(k)))) Out(k) = QuoteString(rt::FormatStoredDate(*date));
  }

  // The significant position of the ")" closing the "(" at k.
  std::size_t CloseOf(std::size_t k) const {
    int depth = 0;
    for (std::size_t j = k; j < sig_.size(); ++j) {
      if (At(j).IsSymbol("(")) ++depth;
      if (At(j).IsSymbol(")") && --depth == 0) return j;
    }
    return sig_.size();
  }

  // The comma-separated elements inside the parentheses opening at k, each
  // as the significant positions it spans.
  std::vector<std::vector<std::size_t>> Elements(std::size_t k) const {
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
  std::size_t ScopeEnd(std::size_t k) const {
    int depth = 0;
    for (std::size_t j = k; j < sig_.size(); ++j) {
      if (At(j).IsSymbol("(")) ++depth;
      if (At(j).IsSymbol(")") && --depth < 0) return j;
      if (depth == 0 && At(j).IsSymbol(";")) return j;
    }
    return sig_.size();
  }

  std::vector<Token> tokens_;
  std::vector<std::size_t> sig_;
  std::vector<std::string> out_;
  std::vector<const TableDef*> named_;
};

}  // namespace

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

std::string SqliteTranslator::Translate(std::string_view sql) const {
  Rewrite rewrite(sql, tables_);
  if (rewrite.IsReadCommittedStatement()) return {};
  rewrite.AddInto();
  rewrite.NationalLiterals();
  rewrite.LikePatterns();
  rewrite.DateComparisons();
  rewrite.DateInsertValues();
  rewrite.TopToLimit();
  return rewrite.Join();
}

}  // namespace korvo::data
