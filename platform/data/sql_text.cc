#include "platform/data/sql_text.h"

#include <cmath>
#include <optional>

#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"
#include "platform/runtime/error.h"

namespace korvo::data {

namespace {

std::string ReplaceAll(std::string_view text, char from, std::string_view to) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    if (c == from) {
      out += to;
    } else {
      out += c;
    }
  }
  return out;
}

bool IsIdentifierStart(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_'; }

bool IsPlainIdentifier(std::string_view name) {
  if (name.empty() || !IsIdentifierStart(name.front())) return false;
  for (char c : name) {
    if (!IsIdentifierStart(c) && !(c >= '0' && c <= '9')) return false;
  }
  return true;
}

// The caller's value as it should appear in an error text.
std::string DisplayText(const rt::Variant& value) {
  try {
    return rt::CStr(value);
  } catch (const rt::Error&) {
    return "(" + rt::TypeName(value) + ")";
  }
}

// The whole-number value of an integer guard's argument; Type mismatch for
// anything that is not a whole number.
double WholeNumber(const rt::Variant& value) {
  std::optional<double> number;
  switch (value.Type()) {
    case rt::VarType::Byte:
    case rt::VarType::Integer:
    case rt::VarType::Long:
    case rt::VarType::Single:
    case rt::VarType::Double:
    case rt::VarType::Currency:
      number = rt::CDbl(value);
      break;
    case rt::VarType::String:
      number = rt::ParseNumber(value.AsString());
      break;
    default:
      break;
  }
  if (!number || std::trunc(*number) != *number) {
    rt::Raise(rt::errnum::kTypeMismatch);
  }
  return *number;
}

}  // namespace

std::string SqlLiteral(const rt::Variant& value) {
  switch (value.Type()) {
    case rt::VarType::Empty:
    case rt::VarType::Null:
      return "null";
    case rt::VarType::Date:
    case rt::VarType::String:
      return "'" + DoubleQuotes(rt::CStr(value)) + "'";
    case rt::VarType::Boolean:
      return value.AsBool() ? "1" : "0";
    default:
      return rt::CStr(value);
  }
}

std::string DoubleQuotes(std::string_view text) { return ReplaceAll(text, '\'', "''"); }

std::string SqlDateText(const rt::Variant& date) {
  try {
    const rt::DateParts parts = rt::SplitDate(rt::CDate(date));
    return std::to_string(parts.month) + "/" + std::to_string(parts.day) + "/" +
           std::to_string(parts.year);
  } catch (const rt::Error&) {
    return "";
  }
}

std::string LikePatternEscape(std::string_view text) {
  // Brackets first, so the brackets the later steps add are left alone.
  std::string escaped = ReplaceAll(DoubleQuotes(text), '[', "[[]");
  escaped = ReplaceAll(escaped, '%', "[%]");
  return ReplaceAll(escaped, '_', "[_]");
}

std::string IntegerLiteral(const rt::Variant& value, int bits) {
  if (bits < 2 || bits > 32) rt::Raise(rt::errnum::kInvalidProcedureCall);
  const double number = WholeNumber(value);
  const double limit = std::ldexp(1.0, bits - 1);
  if (!(number >= -limit && number < limit)) rt::Raise(rt::errnum::kOverflow);
  return std::to_string(static_cast<long long>(number));
}

std::string PlainIdentifier(const rt::Variant& name) {
  if (!name.IsString() || !IsPlainIdentifier(name.AsString())) {
    rt::Raise(rt::errnum::kTypeMismatch, "Invalid identifier: " + DisplayText(name));
  }
  return name.AsString();
}

}  // namespace korvo::data
