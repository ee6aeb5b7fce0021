// A tokenizer for the library's SQL dialect, so that rewriting a statement
// never touches the inside of a string literal, a quoted identifier or a
// comment. Joining every token's text gives back the input unchanged.
// Thread-safe (no shared state).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvo::data {

enum class TokenKind {
  Space,             // blanks, tabs, line breaks
  Comment,           // -- to the end of the line, or /* ... */
  String,            // '...' or N'...' ('' inside stands for ')
  Word,              // an identifier or keyword
  QuotedIdentifier,  // "x", [x] or `x`
  Number,
  Parameter,  // ?
  Symbol,     // operators and punctuation: = <> <= >= != < > ( ) , ; . and others
};

struct Token {
  TokenKind kind;
  std::string_view text;  // a view into the tokenized statement

  bool IsSignificant() const { return kind != TokenKind::Space && kind != TokenKind::Comment; }
  // A Unicode string literal: N'...'.
  bool IsNational() const { return kind == TokenKind::String && (text[0] == 'N' || text[0] == 'n'); }
  // A Word equal to `keyword` without regard to (ASCII) case.
  bool IsKeyword(std::string_view keyword) const;
  bool IsSymbol(std::string_view symbol) const { return kind == TokenKind::Symbol && text == symbol; }
};

// Unterminated literals, identifiers and comments run to the end of the text.
std::vector<Token> Tokenize(std::string_view sql);

// The text a String token stands for (quotes removed, doubled quotes single).
std::string StringValue(const Token& token);
// The name a Word or QuotedIdentifier token stands for.
std::string IdentifierName(const Token& token);
// A plain string literal for `value`: '...' with quotes doubled.
std::string QuoteString(std::string_view value);

}  // namespace korvo::data
