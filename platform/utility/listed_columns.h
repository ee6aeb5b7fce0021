// The columns a listing's SELECT statement produces, told from its text and
// the schema without running it, so that names a browser sent can be
// checked before any statement runs.
// Thread-safe (no shared state).
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvo::utility {

// The result columns of "SELECT [DISTINCT] [TOP n] items FROM table
// [alias] ...": "*" or "table.*" stands for the table's columns in schema
// order; a column, a qualified column or any item with an alias stands for
// its name. Items that are expressions without an alias have no name a
// caller could sort by and are left out. Raises kUnpageableListing when the
// text is not a SELECT.
std::vector<std::string> ListedColumns(std::string_view statement);

// The result columns of such a statement that can never be null: columns
// the schema declares NOT NULL, listed by "*", "table.*", their name or
// their name with an alias, when the statement reads that one table alone
// (no join, second table or union, any of which may bring nulls). Others,
// and every column of any other statement, may be null: the answer may
// leave out a column, never name one wrongly. Raises as ListedColumns.
std::vector<std::string> NeverNullColumns(std::string_view statement);

}  // namespace korvo::utility
