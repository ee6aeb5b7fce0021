// The SQLite dialect translation on arbitrary statements: it never crashes
// or runs away, refuses only through its documented DriverError (a literal
// its typed column cannot hold), and what it produces still tokenizes back to
// itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/data/driver.h"
#include "platform/data/sql_tokenizer.h"
#include "platform/data/sqlite/sqlite_translator.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvo::data;
  static const SqliteTranslator translator;
  const std::string_view sql(reinterpret_cast<const char*>(data), size);
  std::string translated;
  try {
    translated = translator.Translate(sql);
  } catch (const DriverError& refused) {
    if (refused.kind() != FailureKind::Other) std::abort();
    return 0;
  }
  std::string joined;
  for (const Token& token : Tokenize(translated)) joined += token.text;
  if (joined != translated) std::abort();
  return 0;
}
