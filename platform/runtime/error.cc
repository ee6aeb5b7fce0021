#include "platform/runtime/error.h"

#include <cstdio>
#include <new>
#include <utility>

namespace korvo::rt {

Error::Error(ErrorRecord record) : record_(std::move(record)) {}

std::string DefaultDescription(std::int32_t number) {
  switch (number) {
    case errnum::kInvalidProcedureCall:
      return "Invalid procedure call or argument";
    case errnum::kOverflow:
      return "Overflow";
    case errnum::kOutOfMemory:
      return "Out of memory";
    case errnum::kSubscriptOutOfRange:
      return "Subscript out of range";
    case errnum::kDivisionByZero:
      return "Division by zero";
    case errnum::kTypeMismatch:
      return "Type mismatch";
    case errnum::kInternalError:
      return "Internal error";
    case errnum::kObjectNotSet:
      return "Object variable or With block variable not set";
    case errnum::kInvalidUseOfNull:
      return "Invalid use of Null";
    case errnum::kObjectRequired:
      return "Object required";
    case errnum::kCannotCreateObject:
      return "ActiveX component can't create object";
    case errnum::kNotSupported:
      return "Object doesn't support this property or method";
    case errnum::kArgumentNotOptional:
      return "Argument not optional";
    case errnum::kWrongArgumentCount:
      return "Wrong number of arguments or invalid property assignment";
    case errnum::kKeyAlreadyAssociated:
      return "This key is already associated with an element of this collection";
    case errnum::kElementNotFound:
      return "Element not found";
    default:
      return "Application-defined or object-defined error";
  }
}

void Raise(std::int32_t number, std::string description, std::string source) {
  RaiseRecord(ErrorRecord{number, std::move(source), std::move(description), {}, 0});
}

void RaiseRecord(ErrorRecord record) {
  if (record.Description.empty()) record.Description = DefaultDescription(record.Number);
  if (record.Source.empty()) record.Source = kDefaultSource;
  throw Error(std::move(record));
}

namespace {

ErrorRecord Mapped(std::int32_t number, std::string description) {
  return ErrorRecord{number, kDefaultSource, std::move(description), {}, 0};
}

}  // namespace

ErrorRecord CurrentError() {
  const std::exception_ptr current = std::current_exception();
  if (!current) return ErrorRecord{};
  try {
    std::rethrow_exception(current);
  } catch (const Error& e) {
    return e.record();
  } catch (const std::bad_alloc&) {
    return Mapped(errnum::kOutOfMemory, DefaultDescription(errnum::kOutOfMemory));
  } catch (const std::exception& e) {
    return Mapped(errnum::kInternalError, "Internal error: " + std::string(e.what()));
  } catch (...) {
    return Mapped(errnum::kInternalError, DefaultDescription(errnum::kInternalError));
  }
}

std::string Hex(std::int32_t number) {
  char text[9];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(static_cast<std::uint32_t>(number)));
  return text;
}

}  // namespace korvo::rt
