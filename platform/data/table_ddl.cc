#include "platform/data/table_ddl.h"

#include "platform/contracts/database.h"
#include "platform/data/data_error.h"
#include "platform/runtime/error.h"

namespace korvo::data {

std::string JoinNames(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& name : names) out += (out.empty() ? "" : ", ") + name;
  return out;
}

bool IsTextKey(const TableDef& table, const ColumnDef& column) {
  const bool text = column.type == ColumnType::Text || column.type == ColumnType::FixedText;
  return text && IsKeyColumn(table, column.name);
}

std::string CreateTableStatement(const TableDef& table,
                                 const std::function<std::string(const ColumnDef&)>& columnClause,
                                 const std::vector<std::string>& extraClauses) {
  std::string ddl = "CREATE TABLE IF NOT EXISTS " + table.name + " (";
  for (std::size_t i = 0; i < table.columns.size(); ++i) {
    ddl += (i ? ",\n  " : "\n  ") + columnClause(table.columns[i]);
  }
  if (!table.identity) ddl += ",\n  PRIMARY KEY (" + JoinNames(table.primaryKey) + ")";
  for (const auto& clause : extraClauses) ddl += ",\n  " + clause;
  return ddl + "\n)";
}

std::vector<std::string> CreateIndexStatements(const TableDef& table) {
  std::vector<std::string> statements;
  for (const auto& index : table.indexes) {
    statements.push_back("CREATE INDEX IF NOT EXISTS " + index.name + " ON " + table.name + " (" +
                         JoinNames(index.columns) + ")");
  }
  return statements;
}

void RaiseConnectionOption(std::string description) {
  rt::Raise(contracts::dberr::kProvider, std::move(description), kConnectionSource);
}

}  // namespace korvo::data
