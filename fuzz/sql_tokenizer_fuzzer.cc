// The SQL tokenizer on arbitrary bytes: it never fails, its tokens join back
// to the input, and any text quoted as a literal reads back as one string
// token holding that text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/data/sql_tokenizer.h"

namespace {

void Require(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvo::data;
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string joined;
  for (const Token& token : Tokenize(text)) {
    Require(!token.text.empty());
    joined += token.text;
    if (token.kind == TokenKind::String) StringValue(token);
    if (token.kind == TokenKind::Word || token.kind == TokenKind::QuotedIdentifier)
      IdentifierName(token);
  }
  Require(joined == text);

  const std::string quoted = QuoteString(text);
  const auto literal = Tokenize(quoted);
  Require(literal.size() == 1 && literal[0].kind == TokenKind::String &&
          StringValue(literal[0]) == text);
  return 0;
}
