#include "platform/membership/attribute_kinds.h"

#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <utility>

#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"
#include "platform/runtime/error.h"

namespace korvo::membership {

namespace {

constexpr std::array<std::pair<std::string_view, AttributeKind>, 20> kKinds{{
    {"LOCALE", AttributeKind::Int16},
    {"ADDRESSID", AttributeKind::Int32},
    {"BUYERROLE", AttributeKind::Boolean},
    {"REQUISITIONERROLE", AttributeKind::Boolean},
    {"APPROVERROLE", AttributeKind::Boolean},
    {"FINANCIALROLE", AttributeKind::Boolean},
    {"EXTERNALROLE", AttributeKind::Boolean},
    {"SPENDLIMIT", AttributeKind::Money},
    {"PROPERTYGROUPID", AttributeKind::Int32},
    {"ProjectUserType", AttributeKind::Int16},
    {"BillToBusinessPartnerID", AttributeKind::Int32},
    {"BusinessPartnerID", AttributeKind::Int32},
    {"OUTOFOFFICEON", AttributeKind::Boolean},
    {"APPROVERLIMIT", AttributeKind::Money},
    {"LIMITFORRFQ", AttributeKind::Money},
    {"LIMITFORCONTRACT", AttributeKind::Money},
    {"CHARGELINES", AttributeKind::Boolean},
    {"USERCREDITCARDEXPIRY", AttributeKind::Date},
    {"CreditCardType", AttributeKind::Int16},
    {"KorvoRole", AttributeKind::Int16},
}};

bool IsNameCharacter(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' ||
         c == '-';
}

// A whole number in range, from a numeric kind or a text that reads as one.
std::optional<std::int64_t> WholeNumber(const rt::Variant& value, std::int64_t low, std::int64_t high) {
  std::optional<double> number;
  if (value.IsString()) {
    number = rt::ParseNumber(value.AsString());
  } else if (value.IsNumeric()) {
    number = rt::CDbl(value);
  }
  if (!number || !std::isfinite(*number) || std::floor(*number) != *number) return std::nullopt;
  if (*number < static_cast<double>(low) || *number > static_cast<double>(high)) return std::nullopt;
  return static_cast<std::int64_t>(*number);
}

std::optional<std::string> CanonicalInteger(const rt::Variant& value, std::int64_t low,
                                            std::int64_t high) {
  auto number = WholeNumber(value, low, high);
  if (!number) return std::nullopt;
  return std::to_string(*number);
}

std::optional<std::string> CanonicalMoney(const rt::Variant& value) {
  if (!value.IsString() && !value.IsNumeric()) return std::nullopt;
  if (value.IsString() && !rt::ParseNumber(value.AsString())) return std::nullopt;
  try {
    return rt::FormatMoney(rt::CCur(value));
  } catch (const rt::Error&) {
    return std::nullopt;  // out of the money range
  }
}

std::optional<std::string> CanonicalDate(const rt::Variant& value) {
  if (value.Type() == rt::VarType::Date) return rt::FormatDate(value.AsDate());
  if (!value.IsString()) return std::nullopt;
  auto date = rt::ParseDate(value.AsString());
  if (!date) return std::nullopt;
  return rt::FormatDate(*date);
}

std::optional<std::string> CanonicalBoolean(const rt::Variant& value) {
  if (value.Type() == rt::VarType::Boolean) return value.AsBool() ? "TRUE" : "FALSE";
  if (value.IsNumeric()) return rt::CDbl(value) != 0 ? "TRUE" : "FALSE";
  if (!value.IsString()) return std::nullopt;
  const std::string text = rt::LCase(rt::Trim(value.AsString()));
  if (text == "true" || text == "1" || text == "yes") return "TRUE";
  if (text == "false" || text == "0" || text == "no") return "FALSE";
  return std::nullopt;
}

template <class T>
std::optional<T> ParseWhole(const std::string& text) {
  T number{};
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return number;
}

}  // namespace

AttributeKind KindOf(std::string_view attribute) {
  for (const auto& [name, kind] : kKinds) {
    if (rt::TextEqualsNoCase(name, attribute)) return kind;
  }
  return AttributeKind::Text;
}

bool IsValidAttributeName(std::string_view name) {
  if (name.empty() || name.size() > kMaxAttributeNameLength) return false;
  for (char c : name) {
    if (!IsNameCharacter(c)) return false;
  }
  return true;
}

bool IsValidUserId(std::string_view userId) {
  if (userId.empty() || userId.size() > kMaxUserIdBytes) return false;
  if (userId.front() == ' ' || userId.back() == ' ') return false;
  for (unsigned char c : userId) {
    if (c < 0x20 || c == 0x7F) return false;
  }
  return true;
}

bool IsStorableValue(std::string_view value) {
  return value.size() <= kMaxValueBytes && value.find('\0') == std::string_view::npos;
}

std::optional<std::string> CanonicalValue(AttributeKind kind, const rt::Variant& value) {
  std::optional<std::string> text;
  switch (kind) {
    case AttributeKind::Text:
      if (value.IsString() || value.IsNumeric() || value.Type() == rt::VarType::Boolean ||
          value.Type() == rt::VarType::Date) {
        text = rt::CStr(value);
      }
      break;
    case AttributeKind::Int16:
      text = CanonicalInteger(value, INT16_MIN, INT16_MAX);
      break;
    case AttributeKind::Int32:
      text = CanonicalInteger(value, INT32_MIN, INT32_MAX);
      break;
    case AttributeKind::Money:
      text = CanonicalMoney(value);
      break;
    case AttributeKind::Date:
      text = CanonicalDate(value);
      break;
    case AttributeKind::Boolean:
      text = CanonicalBoolean(value);
      break;
  }
  if (text && !IsStorableValue(*text)) return std::nullopt;
  return text;
}

rt::Variant ReadValue(AttributeKind kind, const std::string& text) {
  switch (kind) {
    case AttributeKind::Text:
      break;
    case AttributeKind::Int16:
      if (auto number = ParseWhole<std::int16_t>(text)) return rt::Variant(*number);
      break;
    case AttributeKind::Int32:
      if (auto number = ParseWhole<std::int32_t>(text)) return rt::Variant(*number);
      break;
    case AttributeKind::Money:
      if (CanonicalMoney(rt::Variant(text))) return rt::Variant(rt::CCur(rt::Variant(text)));
      break;
    case AttributeKind::Date:
      if (auto date = rt::ParseDate(text)) return rt::Variant(*date);
      break;
    case AttributeKind::Boolean:
      if (text == "TRUE" || text == "FALSE") return rt::Variant(text == "TRUE");
      break;
  }
  return rt::Variant(text);
}

rt::Variant EmptyValue(AttributeKind kind) {
  switch (kind) {
    case AttributeKind::Text:
      return rt::Variant(std::string());
    case AttributeKind::Int16:
      return rt::Variant(std::int16_t{0});
    case AttributeKind::Int32:
      return rt::Variant(std::int32_t{0});
    case AttributeKind::Money:
      return rt::Variant(rt::Money{});
    case AttributeKind::Date:
      return rt::Variant(rt::Date{});
    case AttributeKind::Boolean:
      return rt::Variant(false);
  }
  return rt::Variant();
}

}  // namespace korvo::membership
