#include "platform/data/sql_tokenizer.h"

#include <array>
#include <cctype>

namespace korvo::data {
namespace {

bool IsWordStart(char c) {
  const auto u = static_cast<unsigned char>(c);
  return std::isalpha(u) || c == '_' || c == '@' || c == '#' || u >= 0x80;
}

bool IsWordPart(char c) {
  return IsWordStart(c) || std::isdigit(static_cast<unsigned char>(c)) || c == '$';
}

// The end of a quoted run starting at `start` (on the opening quote), where a
// doubled closing quote stands for itself.
std::size_t QuotedEnd(std::string_view s, std::size_t start, char close) {
  std::size_t i = start + 1;
  while (i < s.size()) {
    if (s[i] == close) {
      if (close != ']' && i + 1 < s.size() && s[i + 1] == close) {
        i += 2;
        continue;
      }
      return i + 1;
    }
    ++i;
  }
  return s.size();
}

std::size_t NumberEnd(std::string_view s, std::size_t i) {
  auto digit = [&](std::size_t k) {
    return k < s.size() && std::isdigit(static_cast<unsigned char>(s[k]));
  };
  while (digit(i) || (i < s.size() && s[i] == '.')) ++i;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t k = i + 1;
    if (k < s.size() && (s[k] == '+' || s[k] == '-')) ++k;
    if (digit(k)) {
      i = k;
      while (digit(i)) ++i;
    }
  }
  return i;
}

std::size_t SymbolLength(std::string_view s, std::size_t i) {
  static constexpr std::array<std::string_view, 5> kPairs = {"<=", ">=", "<>", "!=", "||"};
  for (auto pair : kPairs) {
    if (s.substr(i, 2) == pair) return 2;
  }
  return 1;
}

// The token starting at i: its kind and end.
std::pair<TokenKind, std::size_t> Scan(std::string_view s, std::size_t i) {
  const char c = s[i];
  const char next = i + 1 < s.size() ? s[i + 1] : '\0';
  if (std::isspace(static_cast<unsigned char>(c))) {
    std::size_t e = i;
    while (e < s.size() && std::isspace(static_cast<unsigned char>(s[e]))) ++e;
    return {TokenKind::Space, e};
  }
  if (c == '-' && next == '-') {
    const std::size_t e = s.find('\n', i);
    return {TokenKind::Comment, e == std::string_view::npos ? s.size() : e};
  }
  if (c == '/' && next == '*') {
    const std::size_t e = s.find("*/", i + 2);
    return {TokenKind::Comment, e == std::string_view::npos ? s.size() : e + 2};
  }
  if (c == '\'') return {TokenKind::String, QuotedEnd(s, i, '\'')};
  if ((c == 'N' || c == 'n') && next == '\'') return {TokenKind::String, QuotedEnd(s, i + 1, '\'')};
  if (c == '"') return {TokenKind::QuotedIdentifier, QuotedEnd(s, i, '"')};
  if (c == '`') return {TokenKind::QuotedIdentifier, QuotedEnd(s, i, '`')};
  if (c == '[') return {TokenKind::QuotedIdentifier, QuotedEnd(s, i, ']')};
  if (c == '?') return {TokenKind::Parameter, i + 1};
  if (std::isdigit(static_cast<unsigned char>(c))) return {TokenKind::Number, NumberEnd(s, i)};
  if (IsWordStart(c)) {
    std::size_t e = i;
    while (e < s.size() && IsWordPart(s[e])) ++e;
    return {TokenKind::Word, e};
  }
  return {TokenKind::Symbol, i + SymbolLength(s, i)};
}

// The text between a token's quotes with doubled quotes made single.
std::string Unquote(std::string_view quoted, char close) {
  std::string out;
  const bool terminated = quoted.size() >= 2 && quoted.back() == close;
  std::string_view inner = quoted.substr(1, quoted.size() - (terminated ? 2 : 1));
  for (std::size_t i = 0; i < inner.size(); ++i) {
    out += inner[i];
    if (inner[i] == close && close != ']' && i + 1 < inner.size() && inner[i + 1] == close) ++i;
  }
  return out;
}

}  // namespace

bool Token::IsKeyword(std::string_view keyword) const {
  if (kind != TokenKind::Word || text.size() != keyword.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (std::toupper(static_cast<unsigned char>(text[i])) !=
        std::toupper(static_cast<unsigned char>(keyword[i]))) {
      return false;
    }
  }
  return true;
}

std::vector<Token> Tokenize(std::string_view sql) {
  std::vector<Token> tokens;
  std::size_t i = 0;
  while (i < sql.size()) {
    auto [kind, end] = Scan(sql, i);
    tokens.push_back(Token{kind, sql.substr(i, end - i)});
    i = end;
  }
  return tokens;
}

std::string StringValue(const Token& token) {
  return Unquote(token.IsNational() ? token.text.substr(1) : token.text, '\'');
}

std::string IdentifierName(const Token& token) {
  if (token.kind != TokenKind::QuotedIdentifier) return std::string(token.text);
  const char open = token.text.front();
  return Unquote(token.text, open == '[' ? ']' : open);
}

std::string QuoteString(std::string_view value) {
  std::string out = "'";
  for (char c : value) {
    out += c;
    if (c == '\'') out += '\'';
  }
  out += '\'';
  return out;
}

}  // namespace korvo::data
