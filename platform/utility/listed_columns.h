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

}  // namespace korvo::utility
