// The runtime's conversions of caller text to values: each either answers
// or raises a runtime error (never another exception or undefined
// behaviour), and the tests agree with the conversions: a text IsDate
// accepts converts with CDate, one IsNumeric accepts converts with CDbl.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <string>

#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"
#include "platform/runtime/error.h"
#include "platform/runtime/variant.h"

namespace {

using korvo::rt::Variant;

// Runs a conversion; true when it answered, false when it raised a
// runtime error.
bool Converts(const std::function<void()>& conversion) {
  try {
    conversion();
    return true;
  } catch (const korvo::rt::Error&) {
    return false;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  namespace rt = korvo::rt;
  const std::string text(reinterpret_cast<const char*>(data), size);
  const Variant value(text);
  Converts([&] { rt::CByte(value); });
  Converts([&] { rt::CInt(value); });
  Converts([&] { rt::CLng(value); });
  Converts([&] { rt::CSng(value); });
  Converts([&] { rt::CCur(value); });
  Converts([&] { rt::CBool(value); });
  Converts([&] { rt::UCase(text); });
  Converts([&] { rt::LCase(text); });
  Converts([&] { rt::Len(text); });
  Converts([&] { rt::Trim(text); });
  rt::ParseNumber(text);
  if (rt::IsDate(value) && !Converts([&] { rt::FormatStoredDate(rt::CDate(value)); })) std::abort();
  const bool number = Converts([&] { rt::CDbl(value); });
  if (rt::IsNumeric(value) && !number && !text.empty()) {
    // Only a number too large for a Double may fail after IsNumeric.
    try {
      rt::CDbl(value);
    } catch (const rt::Error& error) {
      if (error.number() != rt::errnum::kOverflow) std::abort();
    }
  }
  return 0;
}
