#include "reliability/database_state.h"

#include <algorithm>

#include "infrastructure/contracts/database.h"
#include "platform/data/schema.h"
#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"

namespace korvo::reliability {

namespace {

contracts::ConnectionRef Open(const std::string& connectionString) {
  auto connection =
      std::dynamic_pointer_cast<contracts::Connection>(host::CreateObject("ADODB.Connection"));
  connection->Open(connectionString);
  return connection;
}

std::vector<std::string> AllTables(const std::vector<std::string>& extraTables) {
  std::vector<std::string> tables = extraTables;
  for (const auto& table : data::SchemaTables()) tables.push_back(table.name);
  return tables;
}

// A value with its kind, so 1 and '1' and Null and '' stay apart.
std::string TypedText(const rt::Variant& value) {
  if (value.IsNull()) return "Null";
  return rt::TypeName(value) + ":" + rt::CStr(value);
}

std::vector<std::string> Rows(contracts::Connection& connection, const std::string& table) {
  std::vector<std::string> rows;
  for (auto set = connection.Execute("SELECT * FROM " + table); !set->IsEOF(); set->MoveNext()) {
    std::string row;
    for (std::int32_t i = 0; i < set->FieldCount(); ++i) row += TypedText(set->Value(i)) + "|";
    rows.push_back(std::move(row));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

}  // namespace

DatabaseDump DumpDatabase(const std::string& connectionString,
                          const std::vector<std::string>& extraTables) {
  auto connection = Open(connectionString);
  DatabaseDump dump;
  for (const auto& table : AllTables(extraTables)) dump[table] = Rows(*connection, table);
  connection->Close();
  return dump;
}

RowCounts CountRows(const std::string& connectionString,
                    const std::vector<std::string>& extraTables) {
  const std::vector<std::string> tables = AllTables(extraTables);
  std::string sql;
  for (const auto& table : tables) {
    sql += (sql.empty() ? "SELECT " : ", ") + std::string("(SELECT COUNT(*) FROM ") + table + ")";
  }
  auto connection = Open(connectionString);
  auto row = connection->Execute(sql);
  RowCounts counts;
  for (std::size_t i = 0; i < tables.size(); ++i) {
    counts[tables[i]] = static_cast<std::int64_t>(rt::CDbl(row->Value(static_cast<std::int32_t>(i))));
  }
  connection->Close();
  return counts;
}

void ExecuteSql(const std::string& connectionString, const std::string& sql) {
  auto connection = Open(connectionString);
  connection->Execute(sql);
  connection->Close();
}

std::int64_t QueryNumber(const std::string& connectionString, const std::string& sql) {
  auto connection = Open(connectionString);
  const auto number = static_cast<std::int64_t>(rt::CDbl(connection->Execute(sql)->Value(std::int32_t{0})));
  connection->Close();
  return number;
}

}  // namespace korvo::reliability
