// The statement builders that write INSERT, UPDATE and DELETE from
// dictionaries of column names and values, and the library's names for the
// SQL literals and the guards for values that must go into statement text
// unquoted (those live beside the data layer, platform/data/sql_text.h,
// where the platform's services use them too).
// All functions are thread-safe (no shared state); errors are raised as
// rt::Error.
#pragma once

#include <string>
#include <string_view>

#include "platform/contracts/database.h"
#include "platform/data/sql_text.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {

// data::SqlLiteral: "null", a quoted text or date, 1/0, or a number.
inline std::string Gen_SqlValue(const rt::Variant& value) { return data::SqlLiteral(value); }
// data::DoubleQuotes: every single quote doubled.
inline std::string Gen_SqlQuote(std::string_view text) { return data::DoubleQuotes(text); }
// data::SqlDateText: month/day/year, "" on any failure.
inline std::string Gen_SqlDate(const rt::Variant& date) { return data::SqlDateText(date); }
// data::LikePatternEscape: safe between quotes in a LIKE pattern.
inline std::string Gen_SqlLikeEscape(std::string_view text) { return data::LikePatternEscape(text); }

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
// data::IntegerLiteral: a whole number of `bits` width as decimal text.
inline std::string Sql_IntegerLiteral(const rt::Variant& value, int bits = 32) {
  return data::IntegerLiteral(value, bits);
}
// data::PlainIdentifier: a plain table or column name, returned as given.
inline std::string Sql_Identifier(const rt::Variant& name) { return data::PlainIdentifier(name); }

}  // namespace korvo::infra
