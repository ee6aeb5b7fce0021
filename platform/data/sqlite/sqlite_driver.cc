#include "platform/data/sqlite/sqlite_driver.h"

#include <charconv>

#include "infrastructure/contracts/database.h"
#include "platform/data/data_error.h"
#include "platform/data/schema.h"
#include "platform/data/sqlite/sqlite_connection.h"
#include "platform/runtime/error.h"

namespace korvo::data {
namespace {

constexpr int kDefaultBusyTimeoutMs = 5000;

[[noreturn]] void RaiseOption(std::string description) {
  rt::Raise(contracts::dberr::kProvider, std::move(description), kConnectionSource);
}

int BusyTimeout(const ConnectionOptions& options) {
  const auto text = options.Get("BusyTimeout");
  if (!text) return kDefaultBusyTimeoutMs;
  int ms = 0;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), ms);
  if (ec != std::errc() || end != text->data() + text->size() || ms < 0) {
    RaiseOption("BusyTimeout must be a number of milliseconds");
  }
  return ms;
}

std::string SqlType(const ColumnDef& column) {
  const std::string size = "(" + std::to_string(column.size) + ")";
  switch (column.type) {
    case ColumnType::Text:
      return column.size > 0 ? "VARCHAR" + size : "TEXT";
    case ColumnType::FixedText:
      return "CHAR" + size;
    case ColumnType::Boolean:
      return "BIT";
    case ColumnType::SmallInt:
      return "SMALLINT";
    case ColumnType::Integer:
      return "INTEGER";
    case ColumnType::Double:
      return "DOUBLE";
    case ColumnType::Decimal:
      return "DECIMAL(19,6)";
    case ColumnType::DateTime:
      return "DATETIME";
  }
  return "TEXT";
}

std::string ColumnClause(const TableDef& table, const ColumnDef& column) {
  std::string clause = column.name + " " + SqlType(column);
  if (column.name == table.IdentityColumn()) return clause + " PRIMARY KEY AUTOINCREMENT";
  if (!column.nullable) clause += " NOT NULL";
  const bool text = column.type == ColumnType::Text || column.type == ColumnType::FixedText;
  // The original server compared texts without regard to case; keys must
  // find their rows however a caller capitalised them.
  if (text && IsKeyColumn(table, column.name)) clause += " COLLATE NOCASE";
  return clause;
}

std::string List(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
  return out;
}

}  // namespace

std::unique_ptr<DriverConnection> SqliteDriver::Connect(const ConnectionOptions& options) const {
  for (const auto& [key, value] : options.values()) {
    if (key != "database" && key != "busytimeout") {
      RaiseOption("Unknown connection string option '" + key + "'");
    }
  }
  const auto path = options.Get("Database");
  if (!path || path->empty()) RaiseOption("Connection string names no Database");
  return std::make_unique<SqliteConnection>(*path, BusyTimeout(options));
}

std::vector<std::string> SqliteDriver::CreateStatements(const TableDef& table) const {
  std::string ddl = "CREATE TABLE IF NOT EXISTS " + table.name + " (";
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    ddl += (i ? ",\n  " : "\n  ") + ColumnClause(table, table.columns[i]);
  }
  if (!table.identity) ddl += ",\n  PRIMARY KEY (" + List(table.primaryKey) + ")";
  for (const auto& ref : SchemaReferences()) {
    if (ref.childTable != table.name) continue;
    ddl += ",\n  FOREIGN KEY (" + List(ref.childColumns) + ") REFERENCES " + ref.parentTable + " (" +
           List(ref.parentColumns) + ")";
  }
  std::vector<std::string> statements{ddl + "\n)"};
  for (const auto& index : table.indexes) {
    statements.push_back("CREATE INDEX IF NOT EXISTS " + index.name + " ON " + table.name + " (" +
                         List(index.columns) + ")");
  }
  return statements;
}

}  // namespace korvo::data
