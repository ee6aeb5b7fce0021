// The library's names for the guards on caller text that becomes a table or
// column name in statement text: only the names the schema defines pass.
// They live beside the data layer (platform/data/schema_names.h), where the
// platform's services use them too. Thread-safe.
#pragma once

#include <string>
#include <string_view>

#include "platform/data/schema_names.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {

// data::SchemaTableName: `name` as given when the schema defines that table;
// 13 for a name that is not plain, 0x80040E14 "Invalid object name 'X'."
// for any other.
inline std::string Sql_TableName(const rt::Variant& name) { return data::SchemaTableName(name); }

// data::SchemaColumnName: `name` as given when it is a column of the
// schema's `table`; 13 for a name that is not plain, 0x80040E14 "Invalid
// column name 'X'." (or "Invalid object name 'X'." for the table) otherwise.
inline std::string Sql_ColumnName(std::string_view table, const rt::Variant& name) {
  return data::SchemaColumnName(table, name);
}

}  // namespace korvo::infra
