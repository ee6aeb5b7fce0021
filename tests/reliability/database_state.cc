#include "reliability/database_state.h"

#include <algorithm>

#include "platform/contracts/database.h"
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

// Every reference the rows must keep: the schema's, and the directory's
// attribute rows to their user.
std::vector<data::Reference> ReferencesToKeep() {
  std::vector<data::Reference> references = data::SchemaReferences();
  references.push_back({"MEMBERATTRIBUTE", {"USERKEY"}, "MEMBERUSER", {"USERKEY"}, true});
  return references;
}

std::string MissingParentsQuery(const data::Reference& reference) {
  std::string matches, present;
  for (std::size_t i = 0; i < reference.childColumns.size(); ++i) {
    const std::string child = "c." + reference.childColumns[i];
    present += (i ? " AND " : "") + child + " IS NOT NULL";
    matches += (i ? " AND " : "") + ("p." + reference.parentColumns[i]) + " = " + child;
  }
  return "SELECT COUNT(*) FROM " + reference.childTable + " c WHERE " + present +
         " AND NOT EXISTS (SELECT 1 FROM " + reference.parentTable + " p WHERE " + matches + ")";
}

}  // namespace

std::vector<std::string> DanglingReferences(const std::string& connectionString) {
  auto connection = Open(connectionString);
  std::vector<std::string> dangling;
  for (const data::Reference& reference : ReferencesToKeep()) {
    const auto missing = static_cast<std::int64_t>(
        rt::CDbl(connection->Execute(MissingParentsQuery(reference))->Value(std::int32_t{0})));
    if (missing == 0) continue;
    dangling.push_back(reference.childTable + "." + reference.childColumns.front() + " -> " +
                       reference.parentTable + ": " + std::to_string(missing));
  }
  connection->Close();
  return dangling;
}

DatabaseDump DumpDatabase(const std::string& connectionString,
                          const std::vector<std::string>& extraTables) {
  auto connection = Open(connectionString);
  DatabaseDump dump;
  for (const auto& table : AllTables(extraTables)) dump[table] = Rows(*connection, table);
  connection->Close();
  return dump;
}

std::string DumpDifference(const DatabaseDump& before, const DatabaseDump& after) {
  std::string difference;
  const auto rowsOnlyIn = [&](const DatabaseDump& in, const DatabaseDump& other, const char* sign) {
    for (const auto& [table, rows] : in) {
      const auto found = other.find(table);
      for (const std::string& row : rows) {
        if (found == other.end() ||
            !std::binary_search(found->second.begin(), found->second.end(), row)) {
          difference += std::string(sign) + table + " " + row + "\n";
        }
      }
    }
  };
  rowsOnlyIn(after, before, "+");
  rowsOnlyIn(before, after, "-");
  return difference;
}

RowCounts CountRows(const std::string& connectionString, const std::vector<std::string>& extraTables) {
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
  const auto number =
      static_cast<std::int64_t>(rt::CDbl(connection->Execute(sql)->Value(std::int32_t{0})));
  connection->Close();
  return number;
}

}  // namespace korvo::reliability
