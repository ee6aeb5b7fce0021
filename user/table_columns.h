// The guard for the few places where a caller names columns that go into
// statement text unquoted: a name is used only when it is a column of the
// library's own table, as the schema defines it. Checked before any
// statement is built, so a refused name never reaches the database.
// Shared by the user classes. Thread-safe (the schema is immutable).
#pragma once

#include <string_view>

namespace korvo::common {

enum class ColumnKindRequired { Any, Flag };

// Returns when `table` has a column called `name` (compared without regard
// to case), and with ColumnKindRequired::Flag a Boolean one. Otherwise
// raises Type mismatch (13) "Invalid identifier: " + name.
void RequireTableColumn(std::string_view table, std::string_view name,
                        ColumnKindRequired kind = ColumnKindRequired::Any);

}  // namespace korvo::common
