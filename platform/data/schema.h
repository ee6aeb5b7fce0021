// The database schema of the library, defined once and rendered by each
// backend driver: tables with logical column types, primary keys, the
// database-assigned (identity) keys, indexes, and the references between
// tables.
//
// References are declared to the database AND exposed here as data, so the
// framework's referential checker decides deletions and inserts from the
// same list. An "owned" reference is one whose child rows belong to the
// parent (a currency's rates, a partner's address links): they do not stop
// the parent from being deleted. Declared references are not enforced by the
// database; the library's own checks decide (docs/data-layer.md).
//
// The definitions are immutable after first use and safe to read from any
// thread.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace korvo::data {

enum class ColumnType { Text, FixedText, Boolean, SmallInt, Integer, Double, Decimal, DateTime };

struct ColumnDef {
  std::string name;
  ColumnType type = ColumnType::Text;
  int size = 0;  // characters, for Text and FixedText
  bool nullable = true;
};

struct IndexDef {
  std::string name;
  std::vector<std::string> columns;
};

struct TableDef {
  std::string name;
  std::vector<ColumnDef> columns;  // in the table's column order
  std::vector<std::string> primaryKey;
  // The primary key is one integer column the database assigns on insert.
  bool identity = false;
  std::vector<IndexDef> indexes;

  // The column of that name (without regard to case), or nullptr.
  const ColumnDef* FindColumn(std::string_view column) const;
  // The identity column's name, or "" when the table has none.
  std::string_view IdentityColumn() const;
};

struct Reference {
  std::string childTable;
  std::vector<std::string> childColumns;
  std::string parentTable;
  std::vector<std::string> parentColumns;
  bool owned = false;
};

// Every table, in creation order (parents before children).
const std::vector<TableDef>& SchemaTables();
// Every reference between the tables.
const std::vector<Reference>& SchemaReferences();
// The table of that name (without regard to case), or nullptr.
const TableDef* FindTable(std::string_view name);
// True for the columns that identify rows: primary-key columns and the
// columns on either side of a reference. Text key columns compare without
// regard to case.
bool IsKeyColumn(const TableDef& table, std::string_view column);

// The schema version this build creates.
inline constexpr int kSchemaVersion = 3;

// Creates the schema in the database named by the connection string, or
// upgrades an older one, in one transaction. Idempotent. Raises the data
// layer's errors (0x80004005 for a database that cannot be opened).
void InitializeDatabase(const std::string& connectionString);

}  // namespace korvo::data
