#include "platform/data/storable_literal.h"

#include <charconv>
#include <cstdint>
#include <limits>
#include <regex>

#include "platform/data/driver.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"

namespace korvo::data {
namespace {

std::string LiteralValue(const Token& literal) {
  return literal.kind == TokenKind::String ? StringValue(literal) : std::string(literal.text);
}

bool IsWholeNumberIn(const std::string& text, std::int64_t low, std::int64_t high) {
  static const std::regex kWhole("[+-]?[0-9]+");
  if (!std::regex_match(text, kWhole)) return false;
  const char* first = text.data() + (text.front() == '+' ? 1 : 0);
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(first, text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= low && value <= high;
}

bool IsDecimalNumber(const std::string& text) {
  static const std::regex kDecimal("[+-]?([0-9]+(\\.[0-9]*)?|\\.[0-9]+)([eE][+-]?[0-9]+)?");
  return std::regex_match(text, kDecimal);
}

// The value as an error text shows it: long texts cut at a character
// boundary, so a refusal never carries a whole document.
std::string Shown(const std::string& value) {
  constexpr std::size_t kShown = 64;
  if (value.size() <= kShown) return value;
  std::size_t cut = kShown;
  while (cut > 0 && (static_cast<unsigned char>(value[cut]) & 0xC0) == 0x80) --cut;
  return value.substr(0, cut) + "...";
}

std::optional<bool> BooleanValue(const std::string& text) {
  if (text == "1" || rt::TextEqualsNoCase(text, "True")) return true;
  if (text == "0" || rt::TextEqualsNoCase(text, "False")) return false;
  return std::nullopt;
}

// Why the value cannot be stored in the column, or "" when it can.
std::string Refusal(const std::string& value, ColumnType type) {
  switch (type) {
    case ColumnType::SmallInt:
      return IsWholeNumberIn(value, std::numeric_limits<std::int16_t>::min(),
                             std::numeric_limits<std::int16_t>::max())
                 ? ""
                 : "not a whole number from -32768 to 32767";
    case ColumnType::Integer:
      return IsWholeNumberIn(value, std::numeric_limits<std::int32_t>::min(),
                             std::numeric_limits<std::int32_t>::max())
                 ? ""
                 : "not a whole number from -2147483648 to 2147483647";
    case ColumnType::Double:
    case ColumnType::Decimal:
      return IsDecimalNumber(value) ? "" : "not a number";
    case ColumnType::Boolean:
      return BooleanValue(value) || IsDecimalNumber(value) ? "" : "not True or False";
    case ColumnType::DateTime:
      return rt::ParseDate(value) ? "" : "not a date";
    case ColumnType::Text:
    case ColumnType::FixedText:
      break;
  }
  return "";
}

}  // namespace

void RequireStorable(const Token& literal, const ColumnDef& column, const std::string& source) {
  if (literal.kind != TokenKind::String && literal.kind != TokenKind::Number) return;
  const std::string value = LiteralValue(literal);
  if (const std::string why = Refusal(value, column.type); !why.empty()) {
    throw DriverError(FailureKind::Other,
                      "Cannot store '" + Shown(value) + "' in column " + column.name + ": " + why, 0,
                      source);
  }
}

std::optional<std::string> BooleanTextAsNumber(const Token& literal, const ColumnDef& column) {
  if (column.type != ColumnType::Boolean || literal.kind != TokenKind::String) return std::nullopt;
  if (auto value = BooleanValue(StringValue(literal))) return *value ? "1" : "0";
  return std::nullopt;
}

}  // namespace korvo::data
