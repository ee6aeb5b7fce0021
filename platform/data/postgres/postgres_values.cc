#include "platform/data/postgres/postgres_values.h"

#include <charconv>
#include <cstdint>
#include <limits>

#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"
#include "platform/runtime/error.h"
#include "platform/runtime/money.h"

namespace korvo::data {
namespace {

using rt::VarType;

constexpr std::size_t kTimestampLength = 19;  // yyyy-mm-dd hh:nn:ss

template <class Number>
std::optional<Number> ParseNumber(std::string_view text) {
  Number value{};
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

bool IsDateType(Oid type) {
  return type == pgtype::kDate || type == pgtype::kTimestamp || type == pgtype::kTimestampTz;
}

// The shortest text that reads back as the same double.
std::string DoubleText(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// The exact decimal text of a money amount: units are ten-thousandths.
std::string MoneyText(rt::Money money) {
  const bool negative = money.units < 0;
  const std::uint64_t magnitude =
      negative ? 0 - static_cast<std::uint64_t>(money.units) : static_cast<std::uint64_t>(money.units);
  const auto scale = static_cast<std::uint64_t>(rt::Money::kScale);
  std::string fraction = std::to_string(magnitude % scale);
  fraction.insert(0, 4 - fraction.size(), '0');
  std::string text = negative ? "-" : "";
  text += std::to_string(magnitude / scale);
  text += '.';
  return text + fraction;
}

std::string Truth(bool value, Oid type) {
  if (type == pgtype::kBool) return value ? "true" : "false";
  return value ? "1" : "0";
}

std::string NumberText(double value, std::string text, Oid type) {
  return type == pgtype::kBool ? Truth(value != 0.0, type) : std::move(text);
}

}  // namespace

VarType FieldKind(Oid type) {
  switch (type) {
    case pgtype::kBool:
      return VarType::Boolean;
    case pgtype::kInt2:
      return VarType::Integer;
    case pgtype::kInt4:
    case pgtype::kInt8:
      return VarType::Long;
    case pgtype::kFloat4:
    case pgtype::kFloat8:
    case pgtype::kNumeric:
      return VarType::Double;
    case pgtype::kDate:
    case pgtype::kTimestamp:
    case pgtype::kTimestampTz:
      return VarType::Date;
    default:
      return VarType::String;
  }
}

rt::Variant ReadValue(Oid type, std::string_view text) {
  switch (FieldKind(type)) {
    case VarType::Boolean:
      if (text == "t" || text == "f") return rt::Variant(text == "t");
      break;
    case VarType::Integer:
      if (auto value = ParseNumber<std::int16_t>(text)) return rt::Variant(*value);
      break;
    case VarType::Long:
      if (auto value = ParseNumber<std::int64_t>(text)) {
        if (*value >= std::numeric_limits<std::int32_t>::min() &&
            *value <= std::numeric_limits<std::int32_t>::max()) {
          return rt::Variant(static_cast<std::int32_t>(*value));
        }
        return rt::Variant(static_cast<double>(*value));
      }
      break;
    case VarType::Double:
      if (auto value = ParseNumber<double>(text)) return rt::Variant(*value);
      break;
    case VarType::Date:
      // Whole seconds: fractions and a time zone offset are not kept.
      if (auto date = rt::ParseDate(text.substr(0, kTimestampLength))) return rt::Variant(*date);
      break;
    default:
      break;
  }
  return rt::Variant(std::string(text));
}

std::optional<std::string> ParameterText(const contracts::Parameter& param, Oid type) {
  const rt::Variant& v = param.value;
  switch (v.Type()) {
    case VarType::Empty:
    case VarType::Null:
    case VarType::Missing:
      return std::nullopt;
    case VarType::Boolean:
      return Truth(v.AsBool(), type);
    case VarType::Byte:
      return NumberText(v.AsByte(), std::to_string(v.AsByte()), type);
    case VarType::Integer:
      return NumberText(v.AsInteger(), std::to_string(v.AsInteger()), type);
    case VarType::Long:
      return NumberText(v.AsLong(), std::to_string(v.AsLong()), type);
    case VarType::Single:
      return NumberText(v.AsSingle(), DoubleText(v.AsSingle()), type);
    case VarType::Double:
      return NumberText(v.AsDouble(), DoubleText(v.AsDouble()), type);
    case VarType::Currency:
      return NumberText(rt::MoneyToDouble(v.AsMoney()), MoneyText(v.AsMoney()), type);
    case VarType::Date:
      // CDate refuses a hand-made date outside the calendar (Overflow), which
      // would otherwise be stored as a day nobody entered.
      return rt::FormatStoredDate(rt::CDate(v));
    case VarType::String:
      if (IsDateType(type) || param.type == contracts::ParamType::DateTime) {
        if (auto date = rt::ParseDate(v.AsString())) return rt::FormatStoredDate(*date);
      }
      return v.AsString();
    case VarType::Object:
    case VarType::Array:
      break;
  }
  rt::Raise(rt::errnum::kTypeMismatch);
}

}  // namespace korvo::data
