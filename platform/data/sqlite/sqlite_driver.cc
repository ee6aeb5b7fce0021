#include "platform/data/sqlite/sqlite_driver.h"

#include <charconv>

#include "platform/contracts/database.h"
#include "platform/data/data_error.h"
#include "platform/data/schema.h"
#include "platform/data/sqlite/sqlite_connection.h"
#include "platform/data/table_ddl.h"
#include "platform/runtime/error.h"

namespace korvo::data {
namespace {

constexpr int kDefaultBusyTimeoutMs = 5000;

int BusyTimeout(const ConnectionOptions& options) {
  const auto text = options.Get("BusyTimeout");
  if (!text) return kDefaultBusyTimeoutMs;
  int ms = 0;
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), ms);
  if (ec != std::errc() || end != text->data() + text->size() || ms < 0) {
    RaiseConnectionOption("BusyTimeout must be a number of milliseconds");
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
  // Callers look codes up without regard to case; keys must find their
  // rows however a caller capitalised them.
  if (IsTextKey(table, column)) clause += " COLLATE NOCASE";
  return clause;
}

// What SQLite's planner cannot know while a table is new: how many rows
// share a key prefix. Without statistics it guesses, and for the rate valid
// at a moment it guesses the primary key, which reads every rate of the
// currency that took effect before the moment: the whole history. These
// figures describe the table's shape (many rates per currency, few of them
// still in force), so the planner takes the expiry index and reads only the
// rates in force, however long the history. An ANALYZE over a grown
// history replaces them with measured figures that lead to the same plan.
struct PlannerStatistics {
  const char* table;
  const char* index;
  const char* stat;  // sqlite_stat1: rows, then rows per value of each key prefix
};
constexpr PlannerStatistics kPlannerStatistics[] = {
    {"CURRENCYRATE", "sqlite_autoindex_CURRENCYRATE_1", "10000 100 1"},
    {"CURRENCYRATE", "IX_CURRENCYRATE_EXPIRY", "10000 100 2 1 1 1 1"},
};

// The statements that record the table's planner statistics, if any.
// "ANALYZE sqlite_schema" creates the statistics table when missing and,
// at the end, makes the planner read the new figures.
std::vector<std::string> StatisticsStatements(const TableDef& table) {
  std::vector<std::string> statements;
  for (const auto& statistics : kPlannerStatistics) {
    if (table.name != statistics.table) continue;
    if (statements.empty()) {
      statements.push_back("ANALYZE sqlite_schema");
      statements.push_back("DELETE FROM sqlite_stat1 WHERE tbl = '" + table.name + "'");
    }
    statements.push_back(std::string("INSERT INTO sqlite_stat1 (tbl, idx, stat) VALUES ('") +
                         statistics.table + "', '" + statistics.index + "', '" + statistics.stat + "')");
  }
  if (!statements.empty()) statements.push_back("ANALYZE sqlite_schema");
  return statements;
}

}  // namespace

std::unique_ptr<DriverConnection> SqliteDriver::Connect(const ConnectionOptions& options) const {
  for (const auto& [key, value] : options.values()) {
    if (key != "database" && key != "busytimeout") {
      RaiseConnectionOption("Unknown connection string option '" + key + "'");
    }
  }
  const auto path = options.Get("Database");
  if (!path || path->empty()) RaiseConnectionOption("Connection string names no Database");
  return std::make_unique<SqliteConnection>(*path, BusyTimeout(options));
}

std::vector<std::string> SqliteDriver::CreateStatements(const TableDef& table) const {
  std::vector<std::string> references;
  for (const auto& ref : SchemaReferences()) {
    if (ref.childTable != table.name) continue;
    references.push_back("FOREIGN KEY (" + JoinNames(ref.childColumns) + ") REFERENCES " +
                         ref.parentTable + " (" + JoinNames(ref.parentColumns) + ")");
  }
  std::vector<std::string> statements{CreateTableStatement(
      table, [&](const ColumnDef& column) { return ColumnClause(table, column); }, references)};
  for (auto& index : CreateIndexStatements(table)) statements.push_back(std::move(index));
  for (auto& statement : StatisticsStatements(table)) statements.push_back(std::move(statement));
  return statements;
}

}  // namespace korvo::data
