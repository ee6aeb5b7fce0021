// The values a statement writes as literals into typed columns, held to one
// rule on every backend. SQLite keeps a text it cannot convert as text (a
// "True" in a number column, an "" in a date column) where PostgreSQL refuses
// the statement; the library's data must not depend on which database holds
// it, so both refuse such a write before it runs.
// Thread-safe (no shared state).
#pragma once

#include <optional>
#include <string>

#include "platform/data/schema.h"
#include "platform/data/sql_tokenizer.h"

namespace korvo::data {

// Checks a text or number literal written into `column` (an INSERT value or
// an UPDATE assignment):
//   SmallInt, Integer: a whole number ([+-]digits) within the column's range;
//   Double, Decimal: a decimal number ([+-]digits[.digits][e[+-]digits]);
//   Boolean: a number, or a text 1, 0, True or False (any case);
//   DateTime: a text that reads as a date;
//   text columns: anything.
// Anything else throws DriverError(FailureKind::Other, "Cannot store 'V' in
// column C: ...", 0, source), raised as 0x80004005 like the database's own
// refusal of a value.
void RequireStorable(const Token& literal, const ColumnDef& column, const std::string& source);

// For a Boolean column, a text literal's value as 1 or 0 ("True" -> 1);
// nullopt for anything else. SQLite stores Booleans as these integers.
std::optional<std::string> BooleanTextAsNumber(const Token& literal, const ColumnDef& column);

}  // namespace korvo::data
