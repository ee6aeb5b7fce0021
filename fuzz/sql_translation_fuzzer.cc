// The SQLite dialect translation on arbitrary statements: it never fails
// or runs away, and what it produces still tokenizes back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/data/sql_tokenizer.h"
#include "platform/data/sqlite/sqlite_translator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvo::data;
  static const SqliteTranslator translator;
  const std::string_view sql(reinterpret_cast<const char*>(data), size);
  const std::string translated = translator.Translate(sql);
  std::string joined;
  for (const Token& token : Tokenize(translated)) joined += token.text;
  if (joined != translated) std::abort();
  return 0;
}
