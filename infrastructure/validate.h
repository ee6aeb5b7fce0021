// Lib_Validate: field checks on data objects (dictionaries keyed by
// upper-case column names). None has a handler of its own: failures reach
// the calling rule's handler.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/runtime/dictionary.h"
#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {

enum CreditCard : std::int16_t { Visa = 0, MasterCard = 1, Amex = 2, OTHER = 3 };

bool Val_IsFilled(rt::Dictionary& data, const std::string& field,
                  std::optional<bool> required = std::nullopt);
bool Val_IsPercentage(rt::Dictionary& data, const std::string& field);
bool Val_IsWithinLength(rt::Dictionary& data, const std::string& field, std::int16_t maxLength);
bool Val_IsPhoneNumber(rt::Dictionary& data, const std::string& field, bool required);
bool Val_IsNullOrBoolean(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrByte(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrDouble(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrInteger(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrLong(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrSingle(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrString(rt::Dictionary& data, const std::string& field);
std::string Val_GetFieldType(const std::string& field, const rt::Array& names, const rt::Array& types);
// Returns a Korvex.ResultObject.
rt::ObjectRef Val_CheckDataTypes(rt::Dictionary& data, const rt::Array& names, const rt::Array& types);
rt::ObjectRef Val_CheckCreditCard(rt::Dictionary& data, const std::string& numberField,
                                  const std::string& typeField, const std::string& expiryField);
bool Val_CreditCardNumber(std::int16_t cardType, const std::string& number, const rt::Variant& expiry,
                          rt::ObjectRef result);

}  // namespace korvo::infra
