// Conversions and comparisons with the scripting runtime's rules, which
// callers rely on.
//
// The runtime's fixed "system locale": decimal separator ".", no thousands
// separator, dates in the default text form of date.h. Texts are UTF-8;
// lengths and positions count characters, not bytes.
//
// Errors (raised as rt::Error with source kDefaultSource):
//   Null where a value is needed          -> 94 "Invalid use of Null"
//   a text or kind that cannot convert     -> 13 "Type mismatch"
//   a number outside the target's range    -> 6  "Overflow"
// Integer conversions round half to even (banker's rounding).
// All functions are thread-safe (no shared state).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/runtime/variant.h"

namespace korvo::rt {

std::string CStr(const Variant& v);  // Empty -> "", Boolean -> "True"/"False"
std::uint8_t CByte(const Variant& v);
std::int16_t CInt(const Variant& v);
std::int32_t CLng(const Variant& v);
float CSng(const Variant& v);
double CDbl(const Variant& v);
Money CCur(const Variant& v);
bool CBool(const Variant& v);    // numbers: non-zero; texts "True"/"False" or numeric
Date CDate(const Variant& v);    // texts through ParseDate; numbers as serials;
                                 // outside 100-01-01 .. 9999-12-31: Overflow
Variant CVar(const Variant& v);  // identity, for symmetry with the runtime

// IsDate: a Date within the calendar, or a text ParseDate reads. IsNumeric: a numeric kind, a
// Boolean, Empty, or a text that reads as a number.
bool IsDate(const Variant& v);
bool IsNumeric(const Variant& v);

// The runtime's TypeName: "Empty", "Null", "Byte", "Integer", "Long",
// "Single", "Double", "Currency", "Date", "String", "Boolean", "Nothing",
// the object's own type name, or the element kind followed by "()" for arrays
// ("Variant()").
std::string TypeName(const Variant& v);

// Reads a text as a number as the runtime does (blanks trimmed, optional
// sign, decimal point, exponent, "&H" hexadecimal). nullopt if not numeric.
std::optional<double> ParseNumber(std::string_view text);

// Default text forms of the numeric kinds (CStr of the value):
// doubles with up to 15 significant digits, singles with 7, no trailing zeros,
// exponent form "1E+20" outside the fixed range.
std::string FormatDouble(double d);
std::string FormatSingle(float f);
std::string FormatMoney(Money m);

// Text helpers with character (not byte) semantics.
std::string Trim(std::string_view s);   // blanks (U+0020) at both ends
std::string UCase(std::string_view s);  // full Unicode upper case
std::string LCase(std::string_view s);
// UCase(s) == upper, without making the upper-case copy when s is ASCII
// (names compared against a column name, say).
bool UCaseEquals(std::string_view s, std::string_view upper);
std::int32_t Len(std::string_view s);  // characters
// Case-insensitive text equality, for names (ProgIDs, members, keys).
bool TextEqualsNoCase(std::string_view a, std::string_view b);

// Comparison with the scripting rules: numbers (and Booleans, Dates, Empty)
// compare as numbers, texts compare exactly (binary), a number never equals a
// text. Empty equals 0 and "". Returns nullopt when either side is Null
// (Null propagates). Raises Type mismatch (13) for objects and arrays.
std::optional<int> Compare(const Variant& a, const Variant& b);

// a = b with Null propagation collapsed to false, the way an If statement
// treats a Null condition.
bool Equals(const Variant& a, const Variant& b);

}  // namespace korvo::rt
