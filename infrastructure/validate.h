// Lib_Validate: field checks on data objects (dictionaries keyed by
// upper-case column names; an absent key means the field was not given).
// None has a handler of its own: failures, such as a conversion error, reach
// the calling rule's handler. Thread-safe (no shared state); the dictionaries
// and result objects passed in belong to the calling thread.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/runtime/dictionary.h"
#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {

enum CreditCard : std::int16_t { Visa = 0, MasterCard = 1, Amex = 2, OTHER = 3 };

// Whether the field holds something. Absent: true unless `required` is true.
// Null or Empty: false when `required` is not given, else NOT `required`.
// A text: true when it is not blank after trimming. Any other value: true.
bool Val_IsFilled(rt::Dictionary& data, const std::string& field,
                  std::optional<bool> required = std::nullopt);
// Absent or Null: true. Otherwise true when the value converts to a number
// from 0 to 100 inclusive; false when it does not convert.
bool Val_IsPercentage(rt::Dictionary& data, const std::string& field);
// Absent: true. Otherwise true when the value's text is at most maxLength
// characters; a Null value raises Invalid use of Null (94).
bool Val_IsWithinLength(rt::Dictionary& data, const std::string& field, std::int16_t maxLength);
// Absent: true. Null counts as the empty text, and the empty text answers
// NOT `required`. Otherwise true when the text holds at least two digits.
bool Val_IsPhoneNumber(rt::Dictionary& data, const std::string& field, bool required);

// The typed checks: absent, Null, or a value whose kind is exactly the named
// one ("Boolean", "Byte", "Double", "Integer" (16-bit), "Long" (32-bit),
// "Single", "String"). No conversion: a numeric text or another numeric kind
// fails.
bool Val_IsNullOrBoolean(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrByte(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrDouble(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrInteger(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrLong(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrSingle(rt::Dictionary& data, const std::string& field);
bool Val_IsNullOrString(rt::Dictionary& data, const std::string& field);

// The declared type of `field`: the element of `types` at the first index,
// from 0 to the upper bound of `names`, whose name equals field exactly;
// "" when none does. An index missing from either array raises Subscript out
// of range (9).
std::string Val_GetFieldType(const std::string& field, const rt::Array& names, const rt::Array& types);

// A new Korvex.ResultObject with one "SLBBR9000" message, the field name as
// parameter, for every field (in key order) whose value fails the typed check
// of its declared type. Undeclared fields and other type names (such as
// "Date") pass.
rt::ObjectRef Val_CheckDataTypes(rt::Dictionary& data, const rt::Array& names, const rt::Array& types);

// A new Korvex.ResultObject with the credit-card findings: nothing when the
// type field is absent or Null; "SLBGE1104"/"SLBGE1105" for a Null number or
// expiry unless the card type is OTHER; "SLBGE1108" for an expiry that is not
// a date; then Val_CreditCardNumber's findings. Reading an absent number or
// expiry field adds it to `data` with Empty, as a dictionary's default item
// does. A card type that does not convert to a 16-bit integer raises.
rt::ObjectRef Val_CheckCreditCard(rt::Dictionary& data, const std::string& numberField,
                                  const std::string& typeField, const std::string& expiryField);

// Checks a Visa, MasterCard or Amex number, adding the first finding to
// `result` (a Korvex.ResultObject) and answering false: "SLBGE1106" blank
// number, "SLBGE1107" blank expiry (Empty, Null or blank text), "SLBGE1100"
// wrong length, "SLBGE1102" wrong leading digits, "SLBGE1103" failed mod-10
// checksum. Other card types answer true unchecked. A non-digit character
// reaching the checksum raises Type mismatch (13). The expiry is not compared
// with today.
bool Val_CreditCardNumber(std::int16_t cardType, const std::string& number, const rt::Variant& expiry,
                          rt::ObjectRef result);

}  // namespace korvo::infra
