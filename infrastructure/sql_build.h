// SQL literals, escapes and the statement builders that write INSERT,
// UPDATE and DELETE from dictionaries of column names and values.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "infrastructure/contracts/database.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {

std::string Gen_SqlValue(const rt::Variant& value);
std::string Gen_SqlQuote(std::string_view text);
std::string Gen_SqlDate(const rt::Variant& date);  // "" on any failure
std::string Gen_SqlLikeEscape(std::string_view text);

// Each builder takes over `connection` and closes it before returning,
// success or failure, and returns a fresh Korvex.ResultObject.
rt::ObjectRef Sql_InsertTable(const std::string& table, rt::Dictionary& values,
                              contracts::ConnectionRef connection);
rt::ObjectRef Sql_InsertTableUnicode(const std::string& table, rt::Dictionary& values,
                                     contracts::ConnectionRef connection);
rt::ObjectRef Sql_UpdateTable(const std::string& table, rt::Dictionary& values, rt::Dictionary& keys,
                              contracts::ConnectionRef connection);
rt::ObjectRef Sql_UpdateTableUnicode(const std::string& table, rt::Dictionary& values,
                                     rt::Dictionary& keys, contracts::ConnectionRef connection);
rt::ObjectRef Sql_DeleteTableUnicode(const std::string& table, rt::Dictionary& keys,
                                     contracts::ConnectionRef connection);

// Guards for the places that put caller values into SQL text unquoted.
// An integer of the stated width as decimal text; anything else (a text that
// is not a whole number, a fraction, Null, an object) raises Type mismatch
// (13), a whole number out of range raises Overflow (6).
std::string Sql_IntegerLiteral(const rt::Variant& value, int bits = 32);
// A plain column name (letters, digits, underscore, not starting with a
// digit), optionally required to be one of `allowed` (case-insensitive);
// anything else raises Type mismatch (13) with description
// "Invalid identifier: " + the text.
std::string Sql_Identifier(const rt::Variant& name);

}  // namespace korvo::infra
