#include "platform/runtime/conversions.h"

#include <cmath>
#include <limits>

#include "platform/runtime/error.h"
#include "platform/runtime/rounding.h"

namespace korvo::rt {
namespace {

[[noreturn]] void RaiseMismatch() { Raise(errnum::kTypeMismatch); }

// The value where a number is needed: Empty is 0, True is -1, a date is its
// serial, a text must read as a number.
double NumberOf(const Variant& v) {
  switch (v.Type()) {
    case VarType::Empty:
      return 0.0;
    case VarType::Null:
      Raise(errnum::kInvalidUseOfNull);
    case VarType::Byte:
      return v.AsByte();
    case VarType::Integer:
      return v.AsInteger();
    case VarType::Long:
      return v.AsLong();
    case VarType::Single:
      return v.AsSingle();
    case VarType::Double:
      return v.AsDouble();
    case VarType::Currency:
      return MoneyToDouble(v.AsMoney());
    case VarType::Date:
      return v.AsDate().serial;
    case VarType::Boolean:
      return v.AsBool() ? -1.0 : 0.0;
    case VarType::String: {
      const std::optional<double> n = ParseNumber(v.AsString());
      if (!n) RaiseMismatch();
      return *n;
    }
    default:
      RaiseMismatch();
  }
}

template <class Int>
Int ToInteger(const Variant& v) {
  const double rounded = RoundHalfEven(NumberOf(v));
  // Written so that NaN fails the test too.
  if (!(rounded >= std::numeric_limits<Int>::min() && rounded <= std::numeric_limits<Int>::max())) {
    Raise(errnum::kOverflow);
  }
  return static_cast<Int>(rounded);
}

// Serials of the calendar's range: 0100-01-01 to the end of 9999-12-31.
// A negative serial's fraction is a time on its whole day, so any time of
// day -657434 is still 0100-01-01.
constexpr double kBeforeFirstSerial = -657435.0;
constexpr double kPastLastSerial = 2958466.0;

// Written so that NaN is outside too.
bool InCalendar(double serial) { return serial > kBeforeFirstSerial && serial < kPastLastSerial; }

}  // namespace

std::string CStr(const Variant& v) {
  switch (v.Type()) {
    case VarType::Empty:
      return {};
    case VarType::Null:
      Raise(errnum::kInvalidUseOfNull);
    case VarType::Byte:
      return std::to_string(v.AsByte());
    case VarType::Integer:
      return std::to_string(v.AsInteger());
    case VarType::Long:
      return std::to_string(v.AsLong());
    case VarType::Single:
      return FormatSingle(v.AsSingle());
    case VarType::Double:
      return FormatDouble(v.AsDouble());
    case VarType::Currency:
      return FormatMoney(v.AsMoney());
    case VarType::Date:
      return FormatDate(v.AsDate());
    case VarType::String:
      return v.AsString();
    case VarType::Boolean:
      return v.AsBool() ? "True" : "False";
    default:
      RaiseMismatch();
  }
}

std::uint8_t CByte(const Variant& v) { return ToInteger<std::uint8_t>(v); }
std::int16_t CInt(const Variant& v) { return ToInteger<std::int16_t>(v); }
std::int32_t CLng(const Variant& v) { return ToInteger<std::int32_t>(v); }

float CSng(const Variant& v) {
  const double d = NumberOf(v);
  // Halfway between the largest single and 2^128 rounds up to infinity.
  constexpr double kSingleOverflow = 0x1.ffffffp127;
  if (!std::isfinite(d) || std::fabs(d) >= kSingleOverflow) Raise(errnum::kOverflow);
  return static_cast<float>(d);
}

double CDbl(const Variant& v) {
  const double d = NumberOf(v);
  if (!std::isfinite(d)) Raise(errnum::kOverflow);
  return d;
}

Money CCur(const Variant& v) {
  if (v.Type() == VarType::Currency) return v.AsMoney();
  return MoneyFromDouble(NumberOf(v));
}

bool CBool(const Variant& v) {
  if (v.IsString()) {
    const std::string text = Trim(v.AsString());
    if (TextEqualsNoCase(text, "True")) return true;
    if (TextEqualsNoCase(text, "False")) return false;
  }
  return NumberOf(v) != 0.0;
}

Date CDate(const Variant& v) {
  switch (v.Type()) {
    case VarType::Date:
      // Only a hand-made Date lies outside the calendar; written anywhere,
      // it would become a date nobody entered.
      if (!InCalendar(v.AsDate().serial)) Raise(errnum::kOverflow);
      return v.AsDate();
    case VarType::String: {
      const std::optional<Date> d = ParseDate(v.AsString());
      if (!d) RaiseMismatch();
      return *d;
    }
    default: {
      const double serial = NumberOf(v);
      if (!InCalendar(serial)) Raise(errnum::kOverflow);
      return Date{serial};
    }
  }
}

Variant CVar(const Variant& v) { return v; }

bool IsDate(const Variant& v) {
  if (v.Type() == VarType::Date) return InCalendar(v.AsDate().serial);
  return v.IsString() && ParseDate(v.AsString()).has_value();
}

bool IsNumeric(const Variant& v) {
  switch (v.Type()) {
    case VarType::Empty:
    case VarType::Boolean:
      return true;
    case VarType::String:
      return ParseNumber(v.AsString()).has_value();
    default:
      return v.IsNumeric();
  }
}

std::string TypeName(const Variant& v) {
  switch (v.Type()) {
    case VarType::Empty:
      return "Empty";
    case VarType::Null:
      return "Null";
    case VarType::Byte:
      return "Byte";
    case VarType::Integer:
      return "Integer";
    case VarType::Long:
      return "Long";
    case VarType::Single:
      return "Single";
    case VarType::Double:
      return "Double";
    case VarType::Currency:
      return "Currency";
    case VarType::Date:
      return "Date";
    case VarType::String:
      return "String";
    case VarType::Boolean:
      return "Boolean";
    case VarType::Object:
      return v.AsObject() ? v.AsObject()->TypeName() : "Nothing";
    case VarType::Array:
      return "Variant()";
    case VarType::Missing:
      return "Error";
  }
  return {};
}

}  // namespace korvo::rt
