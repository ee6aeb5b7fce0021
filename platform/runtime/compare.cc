// Comparison of runtime values.
#include <cstdint>

#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::rt {
namespace {

// A number as compared: exact ten-thousandths for the integer kinds and
// money, a double for the floating kinds and dates.
struct Numeric {
  bool exact;
  std::int64_t units;
  double value;
};

Numeric Exact(std::int64_t units) { return {true, units, static_cast<double>(units) / Money::kScale}; }
Numeric Inexact(double value) { return {false, 0, value}; }

Numeric NumericOf(const Variant& v) {
  switch (v.Type()) {
    case VarType::Byte:
      return Exact(std::int64_t{v.AsByte()} * Money::kScale);
    case VarType::Integer:
      return Exact(std::int64_t{v.AsInteger()} * Money::kScale);
    case VarType::Long:
      return Exact(std::int64_t{v.AsLong()} * Money::kScale);
    case VarType::Boolean:
      return Exact(v.AsBool() ? -Money::kScale : 0);
    case VarType::Currency:
      return Exact(v.AsMoney().units);
    case VarType::Single:
      return Inexact(v.AsSingle());
    case VarType::Double:
      return Inexact(v.AsDouble());
    case VarType::Date:
      return Inexact(v.AsDate().serial);
    default:
      return Exact(0);  // Empty
  }
}

template <class T>
int ThreeWay(const T& a, const T& b) {
  return (a > b) - (a < b);
}

int CompareNumbers(const Variant& a, const Variant& b) {
  const Numeric x = NumericOf(a);
  const Numeric y = NumericOf(b);
  if (x.exact && y.exact) return ThreeWay(x.units, y.units);
  return ThreeWay(x.value, y.value);
}

bool IsText(const Variant& v) { return v.IsString(); }

// The text of a value compared with a text: Empty is "".
std::string_view TextOf(const Variant& v) {
  return v.IsString() ? std::string_view(v.AsString()) : std::string_view();
}

bool Comparable(const Variant& v) {
  const VarType t = v.Type();
  return t != VarType::Object && t != VarType::Array && t != VarType::Missing;
}

}  // namespace

std::optional<int> Compare(const Variant& a, const Variant& b) {
  if (a.IsNull() || b.IsNull()) return std::nullopt;
  if (!Comparable(a) || !Comparable(b)) Raise(errnum::kTypeMismatch);
  const bool textA = IsText(a) || (a.IsEmpty() && IsText(b));
  const bool textB = IsText(b) || (b.IsEmpty() && IsText(a));
  if (textA && textB) return ThreeWay(TextOf(a).compare(TextOf(b)), 0);
  if (textA) return 1;  // a text sorts after every number
  if (textB) return -1;
  return CompareNumbers(a, b);
}

bool Equals(const Variant& a, const Variant& b) {
  // Two texts, the common case (names, codes), compare as texts whatever
  // else the general rules would consider.
  if (a.IsString() && b.IsString()) return a.AsString() == b.AsString();
  const std::optional<int> order = Compare(a, b);
  return order && *order == 0;
}

}  // namespace korvo::rt
