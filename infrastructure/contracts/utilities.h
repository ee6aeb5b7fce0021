// KorvoLibrary.Utilities: literal formatting for statements built as text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/runtime/variant.h"

namespace korvo::contracts {

class Utilities {
 public:
  virtual ~Utilities() = default;
  // A value as a Unicode SQL literal: N'...' with quotes doubled for texts
  // and dates, null for Null/Empty, 1/0 for Booleans, numbers as they are.
  virtual std::string SqlValue(const rt::Variant& value) = 0;
  // A quoted, quote-doubled text literal: N'...'.
  virtual std::string SqlText(const std::string& text) = 0;
  // A plain numeric literal.
  virtual std::string SqlNumber(std::int32_t number) = 0;
};

}  // namespace korvo::contracts
