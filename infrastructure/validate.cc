#include "infrastructure/validate.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string_view>

#include "infrastructure/components.h"
#include "platform/contracts/result_object.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::infra {

namespace {

constexpr std::array<std::string_view, 7> kCheckedTypes = {"Boolean", "Byte",   "Double", "Integer",
                                                           "Long",    "Single", "String"};

contracts::ResultObject& AsResult(const rt::ObjectRef& object) {
  if (!object) rt::Raise(rt::errnum::kObjectNotSet);
  auto* result = dynamic_cast<contracts::ResultObject*>(object.get());
  if (!result) rt::Raise(rt::errnum::kTypeMismatch);
  return *result;
}

bool IsNullOrKind(const rt::Variant& value, std::string_view typeName) {
  const std::string actual = rt::TypeName(value);
  return actual == "Null" || actual == typeName;
}

bool IsNullOrType(const rt::Dictionary& data, const std::string& field, std::string_view typeName) {
  const rt::Variant* value = data.Find(field);
  return !value || IsNullOrKind(*value, typeName);
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool HasValidLength(CreditCard type, std::int32_t length) {
  switch (type) {
    case Visa:
      return length == 16 || length == 13;
    case MasterCard:
      return length == 16;
    default:
      return length == 15;
  }
}

bool HasValidPrefix(CreditCard type, std::string_view number) {
  const char second = number.size() > 1 ? number[1] : '\0';
  switch (type) {
    case Visa:
      return number.starts_with('4');
    case MasterCard:
      return number.starts_with('5') && second >= '1' && second <= '5';
    default:
      return number.starts_with('3') && (second == '4' || second == '7');
  }
}

// Mod 10: counting from the right, every second digit is doubled and a
// doubled value above 9 counts as the sum of its digits.
bool PassesLuhn(std::string_view number) {
  int total = 0;
  bool doubled = false;
  for (auto it = number.rbegin(); it != number.rend(); ++it) {
    if (!IsDigit(*it)) rt::Raise(rt::errnum::kTypeMismatch);
    int digit = *it - '0';
    if (doubled) digit = digit * 2 > 9 ? digit * 2 - 9 : digit * 2;
    total += digit;
    doubled = !doubled;
  }
  return total % 10 == 0;
}

bool IsBlank(const rt::Variant& value) {
  return value.IsNullOrEmpty() || (value.IsString() && rt::Trim(value.AsString()).empty());
}

}  // namespace

bool Val_IsFilled(rt::Dictionary& data, const std::string& field, std::optional<bool> required) {
  const rt::Variant* value = data.Find(field);
  if (!value) return !required.value_or(false);
  if (value->IsNullOrEmpty()) return required.has_value() && !*required;
  if (value->IsString()) return !rt::Trim(value->AsString()).empty();
  return true;
}

bool Val_IsPercentage(rt::Dictionary& data, const std::string& field) {
  const rt::Variant* value = data.Find(field);
  if (!value || value->IsNull()) return true;
  double percentage = 0;
  try {
    percentage = rt::CDbl(*value);
  } catch (const rt::Error&) {
    return false;
  }
  return percentage >= 0 && percentage <= 100;
}

bool Val_IsWithinLength(rt::Dictionary& data, const std::string& field, std::int16_t maxLength) {
  const rt::Variant* value = data.Find(field);
  return !value || rt::Len(rt::CStr(*value)) <= maxLength;
}

bool Val_IsPhoneNumber(rt::Dictionary& data, const std::string& field, bool required) {
  const rt::Variant* value = data.Find(field);
  if (!value) return true;
  const std::string text = value->IsNull() ? std::string() : rt::CStr(*value);
  if (text.empty()) return !required;
  return std::count_if(text.begin(), text.end(), IsDigit) >= 2;
}

bool Val_IsNullOrBoolean(rt::Dictionary& data, const std::string& field) {
  return IsNullOrType(data, field, "Boolean");
}
bool Val_IsNullOrByte(rt::Dictionary& data, const std::string& field) {
  return IsNullOrType(data, field, "Byte");
}
bool Val_IsNullOrDouble(rt::Dictionary& data, const std::string& field) {
  return IsNullOrType(data, field, "Double");
}
bool Val_IsNullOrInteger(rt::Dictionary& data, const std::string& field) {
  return IsNullOrType(data, field, "Integer");
}
bool Val_IsNullOrLong(rt::Dictionary& data, const std::string& field) {
  return IsNullOrType(data, field, "Long");
}
bool Val_IsNullOrSingle(rt::Dictionary& data, const std::string& field) {
  return IsNullOrType(data, field, "Single");
}
bool Val_IsNullOrString(rt::Dictionary& data, const std::string& field) {
  return IsNullOrType(data, field, "String");
}

std::string Val_GetFieldType(const std::string& field, const rt::Array& names, const rt::Array& types) {
  const rt::Variant wanted(field);
  for (std::int32_t i = 0; i <= names.UBound(); ++i) {
    if (rt::Equals(names.At(i), wanted)) return rt::CStr(types.At(i));
  }
  return "";
}

rt::ObjectRef Val_CheckDataTypes(rt::Dictionary& data, const rt::Array& names, const rt::Array& types) {
  rt::ObjectRef object = Gen_GetComponent("Korvex.ResultObject");
  contracts::ResultObject& result = AsResult(object);
  for (const auto& entry : data.Entries()) {
    const std::string field = rt::CStr(entry.key);
    const std::string type = Val_GetFieldType(field, names, types);
    const bool checked =
        std::find(kCheckedTypes.begin(), kCheckedTypes.end(), type) != kCheckedTypes.end();
    if (checked && !IsNullOrKind(entry.item, type)) result.AddMessageWithParameter("SLBBR9000", field);
  }
  return object;
}

rt::ObjectRef Val_CheckCreditCard(rt::Dictionary& data, const std::string& numberField,
                                  const std::string& typeField, const std::string& expiryField) {
  rt::ObjectRef object = Gen_GetComponent("Korvex.ResultObject");
  contracts::ResultObject& result = AsResult(object);
  const rt::Variant* typeValue = data.Find(typeField);
  if (!typeValue || typeValue->IsNull()) return object;

  const std::int16_t cardType = rt::CInt(*typeValue);
  const bool checksRequired = cardType != OTHER;
  bool valid = true;

  std::string number;
  const rt::Variant numberValue = data.Item(numberField);
  if (!numberValue.IsNull()) {
    number = rt::CStr(numberValue);
  } else if (checksRequired) {
    result.AddMessage("SLBGE1104");
    valid = false;
  }

  rt::Variant expiry;
  const rt::Variant expiryValue = data.Item(expiryField);
  if (expiryValue.IsNull()) {
    if (checksRequired) {
      result.AddMessage("SLBGE1105");
      valid = false;
    }
  } else if (rt::IsDate(expiryValue)) {
    expiry = rt::CDate(expiryValue);
  } else {
    result.AddMessage("SLBGE1108");
    valid = false;
  }

  if (checksRequired && valid) Val_CreditCardNumber(cardType, number, expiry, object);
  return object;
}

bool Val_CreditCardNumber(std::int16_t cardType, const std::string& number, const rt::Variant& expiry,
                          rt::ObjectRef result) {
  if (cardType != Visa && cardType != MasterCard && cardType != Amex) return true;
  const auto type = static_cast<CreditCard>(cardType);
  const char* finding = nullptr;
  if (rt::Trim(number).empty()) {
    finding = "SLBGE1106";
  } else if (IsBlank(expiry)) {
    finding = "SLBGE1107";
  } else if (!HasValidLength(type, rt::Len(number))) {
    finding = "SLBGE1100";
  } else if (!HasValidPrefix(type, number)) {
    finding = "SLBGE1102";
  } else if (!PassesLuhn(number)) {
    finding = "SLBGE1103";
  }
  if (!finding) return true;
  AsResult(result).AddMessage(finding);
  return false;
}

}  // namespace korvo::infra
