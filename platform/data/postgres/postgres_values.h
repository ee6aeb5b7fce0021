// Values between the library's variants and PostgreSQL's text format.
//
// A result column's kind comes from its type (the OID the server reports),
// so it is the same on every row:
//   bool -> Boolean; int2 -> Integer; int4 -> Long; int8 -> Long (Double
//   beyond 32 bits); float4, float8, numeric -> Double; timestamp,
//   timestamptz, date -> Date; everything else (text, varchar, bpchar, ...)
//   -> String.
// A parameter is sent as text the server reads as the type it inferred for
// that placeholder: a Boolean as true/false (1/0 for a number column), a
// number written into a Boolean as true unless 0, a Date (or, for a date
// placeholder or a DateTime parameter, a text that reads as a date) as
// 'yyyy-mm-dd hh:nn:ss', money as its exact decimal text. Stateless;
// thread-safe.
#pragma once

#include <libpq-fe.h>

#include <optional>
#include <string>
#include <string_view>

#include "platform/contracts/database.h"
#include "platform/runtime/variant.h"

namespace korvo::data {

// The built-in type OIDs the data layer distinguishes (fixed by the server's
// catalog).
namespace pgtype {
inline constexpr Oid kBool = 16;
inline constexpr Oid kInt8 = 20;
inline constexpr Oid kInt2 = 21;
inline constexpr Oid kInt4 = 23;
inline constexpr Oid kText = 25;
inline constexpr Oid kFloat4 = 700;
inline constexpr Oid kFloat8 = 701;
inline constexpr Oid kVarchar = 1043;
inline constexpr Oid kDate = 1082;
inline constexpr Oid kTimestamp = 1114;
inline constexpr Oid kTimestampTz = 1184;
inline constexpr Oid kNumeric = 1700;
}  // namespace pgtype

// The field kind of a result column of that type.
rt::VarType FieldKind(Oid type);

// A non-null value in the server's text format, read as its column's kind;
// a text that does not read as that kind is returned as the text it is.
rt::Variant ReadValue(Oid type, std::string_view text);

// The text to send for a parameter the server reads as `type`; nullopt for
// NULL. Raises 13 (Type mismatch) for an object or array value.
std::optional<std::string> ParameterText(const contracts::Parameter& param, Oid type);

}  // namespace korvo::data
