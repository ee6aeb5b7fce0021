// KorvoLibrary.Utilities: literals for SQL statements built as text, in the
// Unicode form the Unicode statement builders insert unchanged.
//
// Callable by name: SqlValue(value), SqlText(text), SqlNumber(number).
// Stateless; single-threaded like every component.
#pragma once

#include <cstdint>
#include <string>

#include "platform/contracts/utilities.h"
#include "platform/host/component.h"

namespace korvo::utility {

class Utilities : public host::Component, public contracts::Utilities {
 public:
  std::string TypeName() const override { return "Utilities"; }
  const host::DispatchTable& Dispatch() const override;

  // Texts and dates (in their default text form) as N'...' with quotes
  // doubled, Null and Empty as null, Booleans as 1 and 0, numbers in their
  // default text form. Objects and arrays raise Type mismatch (13).
  std::string SqlValue(const rt::Variant& value) override;
  // N'...' with quotes doubled.
  std::string SqlText(const std::string& text) override;
  // The number in decimal.
  std::string SqlNumber(std::int32_t number) override;
};

}  // namespace korvo::utility
