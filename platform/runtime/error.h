// The runtime's error object, thrown as a C++ exception.
//
// An Error carries the five fields of the scripting runtime's error state.
// "The current error" is the exception being handled; CurrentError() reads it
// inside a catch block and maps foreign exceptions to runtime numbers, so
// nothing escapes untyped. Thread-safe: no shared state.
#pragma once

#include <cstdint>
#include <exception>
#include <string>

namespace korvo::rt {

struct ErrorRecord {
  std::int32_t Number = 0;
  std::string Source;
  std::string Description;
  std::string HelpFile;
  std::int32_t HelpContext = 0;
};

// Runtime error numbers raised by the platform layer.
namespace errnum {
inline constexpr std::int32_t kInvalidProcedureCall = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kDivisionByZero = 11;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternalError = 51;  // a foreign C++ exception
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kInvalidUseOfNull = 94;
inline constexpr std::int32_t kObjectRequired = 424;
inline constexpr std::int32_t kCannotCreateObject = 429;
inline constexpr std::int32_t kNotSupported = 438;  // member not found
inline constexpr std::int32_t kArgumentNotOptional = 449;
inline constexpr std::int32_t kWrongArgumentCount = 450;
inline constexpr std::int32_t kKeyAlreadyAssociated = 457;
inline constexpr std::int32_t kElementNotFound = 32811;  // absent dictionary key
// The component error base; library errors are this plus an offset.
inline constexpr std::int32_t kComponentBase = static_cast<std::int32_t>(0x80040000u);
}  // namespace errnum

// Source given to errors the runtime raises on the library's behalf.
inline constexpr const char* kDefaultSource = "KorvoCommon";

class Error : public std::exception {
 public:
  explicit Error(ErrorRecord record);
  const ErrorRecord& record() const noexcept { return record_; }
  std::int32_t number() const noexcept { return record_.Number; }
  const char* what() const noexcept override { return record_.Description.c_str(); }

 private:
  ErrorRecord record_;
};

// The standard description of a runtime error number ("Type mismatch"), or
// "Application-defined or object-defined error" for numbers it does not know.
std::string DefaultDescription(std::int32_t number);

// Raises an error. An empty description takes DefaultDescription(number);
// an empty source takes kDefaultSource.
[[noreturn]] void Raise(std::int32_t number, std::string description = {}, std::string source = {});
[[noreturn]] void RaiseRecord(ErrorRecord record);

// The error being handled, read inside a catch block. Foreign exceptions map
// to Out of memory (7) for std::bad_alloc and Internal error (51), with the
// exception's text, for anything else. Outside a catch block, or when the
// handled exception is an Error of number 0, returns a record with Number 0.
ErrorRecord CurrentError();

// Formats a 32-bit number as the runtime's Hex(): upper case, no leading
// zeros, negative numbers as their two's complement.
std::string Hex(std::int32_t number);

}  // namespace korvo::rt
