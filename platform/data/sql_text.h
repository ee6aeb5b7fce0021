// The text of SQL literals, and the guards for caller values that go into
// statement text unquoted. Pure text: no database is asked.
// All functions are thread-safe (no shared state); errors are raised as
// rt::Error.
#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/variant.h"

namespace korvo::data {

// An SQL literal: "null" for Empty and Null; a date or text quoted with its
// quotes doubled (a date in its default text form); 1/0 for Booleans; a
// number's default text form unquoted. Other kinds raise Type mismatch (13).
std::string SqlLiteral(const rt::Variant& value);
// The text with every single quote doubled.
std::string DoubleQuotes(std::string_view text);
// month/day/year without leading zeros (31 December 1999 -> "12/31/1999"),
// for any value that converts to a date; "" on any failure, never raises.
std::string SqlDateText(const rt::Variant& date);
// The text made safe between quotes in a LIKE pattern: quotes doubled, then
// "[" -> "[[]", "%" -> "[%]", "_" -> "[_]".
std::string LikePatternEscape(std::string_view text);

// An integer of the stated width (2 to 32 bits, signed) as decimal text:
// the integer kinds, whole Single/Double/Currency values, and texts that read
// as whole numbers. Anything else (a text that is not a whole number, a
// fraction, Empty, Null, a Boolean, a date, an object) raises Type mismatch
// (13); a whole number out of range raises Overflow (6); a width outside
// 2..32 raises Invalid procedure call (5).
std::string IntegerLiteral(const rt::Variant& value, int bits = 32);
// A plain table or column name (ASCII letters, digits, underscore, not
// starting with a digit), returned as given; anything else raises Type
// mismatch (13) with description "Invalid identifier: " + the text.
std::string PlainIdentifier(const rt::Variant& name);

}  // namespace korvo::data
