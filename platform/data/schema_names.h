// Guards for caller text that becomes a table or column name in statement
// text. A plain identifier is not enough: the database evaluates keywords
// and functions written where a name is expected (CURRENT_TIMESTAMP,
// CURRENT_USER, SESSION_USER, ...). Only the names the schema defines pass.
// Thread-safe (the schema is immutable).
#pragma once

#include <string>
#include <string_view>

#include "platform/runtime/variant.h"

namespace korvo::data {

// `name` as given when it is a table of the library's schema (compared
// without regard to case). A value that is not a plain identifier raises
// Type mismatch (13) "Invalid identifier: " + the text, as PlainIdentifier
// does; any other name the schema does not define as a table raises
// 0x80040E14 (-2147217900) "Invalid object name 'X'.", the number the
// database gives for an unknown table.
std::string SchemaTableName(const rt::Variant& name);

// `name` as given when it is a column of the schema's table `table` (both
// compared without regard to case). A value that is not a plain identifier
// raises 13 as above; a plain name that is not a column of the table
// (a keyword, a function, a column of another table) raises 0x80040E14
// "Invalid column name 'X'.", the number the database gives for an unknown
// column; a table that is no plain name raises 13, one the schema does not
// define 0x80040E14 "Invalid object name 'X'.".
std::string SchemaColumnName(std::string_view table, const rt::Variant& name);

}  // namespace korvo::data
