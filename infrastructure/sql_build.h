// SQL literals, escapes and the statement builders that write INSERT,
// UPDATE and DELETE from dictionaries of column names and values, plus the
// guards for values that must go into statement text unquoted.
// All functions are thread-safe (no shared state); errors are raised as
// rt::Error.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/contracts/database.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {

// An SQL literal: "null" for Empty and Null; a date or text quoted with its
// quotes doubled (a date in its default text form); 1/0 for Booleans; a
// number's default text form unquoted. Other kinds raise Type mismatch (13).
std::string Gen_SqlValue(const rt::Variant& value);
// The text with every single quote doubled.
std::string Gen_SqlQuote(std::string_view text);
// month/day/year without leading zeros (31 December 1999 -> "12/31/1999"),
// for any value that converts to a date; "" on any failure, never raises.
std::string Gen_SqlDate(const rt::Variant& date);
// The text made safe between quotes in a LIKE pattern: quotes doubled, then
// "[" -> "[[]", "%" -> "[%]", "_" -> "[_]".
std::string Gen_SqlLikeEscape(std::string_view text);

// The statement builders. Each takes over `connection` and closes it before
// returning, success or failure; returns a fresh, empty Korvex.ResultObject
// and votes commit. Columns are the dictionaries' keys in insertion order;
// the table and every column must be the schema's (Sql_TableName,
// Sql_ColumnName).
// Literals come from Gen_SqlValue, or in the Unicode builders from the text
// form of each value through KorvoLibrary.Utilities' SqlValue (a Null value
// has no text form there and raises Invalid use of Null, 94). On failure the
// connection is closed, the transaction voted abort, and the error (the
// database's own number) raised through Err_Handle with the builder's bare
// name ("Sql_InsertTable", ...). Nothing is written when the statement fails.
//
// "INSERT table(c1,c2) VALUES (v1,v2)"
rt::ObjectRef Sql_InsertTable(const std::string& table, rt::Dictionary& values,
                              contracts::ConnectionRef connection);
rt::ObjectRef Sql_InsertTableUnicode(const std::string& table, rt::Dictionary& values,
                                     contracts::ConnectionRef connection);
// "UPDATE table SET c1=v1,c2=v2 WHERE k1=w1 AND k2=w2". An empty key
// dictionary leaves " WHERE " bare, which the database rejects: no row changes.
rt::ObjectRef Sql_UpdateTable(const std::string& table, rt::Dictionary& values, rt::Dictionary& keys,
                              contracts::ConnectionRef connection);
rt::ObjectRef Sql_UpdateTableUnicode(const std::string& table, rt::Dictionary& values,
                                     rt::Dictionary& keys, contracts::ConnectionRef connection);
// "DELETE FROM table WHERE k1=w1 AND k2=w2"
rt::ObjectRef Sql_DeleteTableUnicode(const std::string& table, rt::Dictionary& keys,
                                     contracts::ConnectionRef connection);

// Guards for the places that put caller values into SQL text unquoted.
// An integer of the stated width (2 to 32 bits, signed) as decimal text:
// the integer kinds, whole Single/Double/Currency values, and texts that read
// as whole numbers. Anything else (a text that is not a whole number, a
// fraction, Empty, Null, a Boolean, a date, an object) raises Type mismatch
// (13); a whole number out of range raises Overflow (6); a width outside
// 2..32 raises Invalid procedure call (5).
std::string Sql_IntegerLiteral(const rt::Variant& value, int bits = 32);
// A plain table or column name (ASCII letters, digits, underscore, not
// starting with a digit), returned as given; anything else raises Type
// mismatch (13) with description "Invalid identifier: " + the text.
std::string Sql_Identifier(const rt::Variant& name);

}  // namespace korvo::infra
