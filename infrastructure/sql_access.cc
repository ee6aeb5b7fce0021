#include "infrastructure/sql_access.h"

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/sql_build.h"
#include "infrastructure/sql_names.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::infra {

namespace {

ConnectionRef NewConnection() { return Gen_GetComponentAs<contracts::Connection>("ADODB.Connection"); }

RecordsetRef NewRecordset() { return Gen_GetComponentAs<contracts::Recordset>("ADODB.Recordset"); }

// The isolation statement goes first on the same connection, so the query
// that follows reads only committed rows.
void ApplyIsolation(contracts::Connection& connection, std::optional<bool> readCommitted) {
  if (readCommitted.value_or(false)) connection.Execute(kReadCommitted);
}

// What the handler of a record-set operation passes as info: the provider's
// errors, then the statement that failed.
std::string ExecutingInfo(const contracts::Connection* connection, const std::string& sql) {
  return Err_ConnectionErrors(connection) + " executing: '" + sql + "'";
}

}  // namespace

ConnectionRef Sql_GetOpenConnection(const std::string& connectionString) {
  try {
    ConnectionRef connection = NewConnection();
    connection->Open(connectionString);
    return connection;
  } catch (...) {
    Err_Handle("Lib_SQL.Sql_GetOpenConnection");
  }
  return nullptr;
}

void Sql_CloseConnection(ConnectionRef& connection) { data::CloseAndClear(connection); }

void Sql_CloseRecordset(RecordsetRef& recordset) { data::CloseAndClear(recordset); }

contracts::Connection& Sql_RequireConnection(const ConnectionRef& connection) {
  if (!connection) rt::Raise(rt::errnum::kObjectNotSet);
  return *connection;
}

RecordsetRef Sql_GetDisconnectedRecordset(const std::string& sql, const std::string& connectionString,
                                          std::optional<bool> readCommitted) {
  ConnectionRef connection;
  ScopedClose closeConnection(connection);
  try {
    connection = NewConnection();
    connection->Open(connectionString);
    ApplyIsolation(*connection, readCommitted);
    RecordsetRef rows = NewRecordset();
    rows->Open(sql, *connection);
    rows->Detach();
    Sql_CloseConnection(connection);
    return rows;
  } catch (...) {
    const std::string info = ExecutingInfo(connection.get(), sql);
    closeConnection.CloseNow();
    Err_Handle("Lib_SQL.Sql_GetDisconnectedRecordset", info);
  }
  return nullptr;
}

RecordsetRef Sql_GetReadonlyRecordset(const std::string& sql, contracts::Connection& connection) {
  try {
    RecordsetRef rows = NewRecordset();
    rows->Open(sql, connection);
    return rows;
  } catch (...) {
    Err_Handle("Lib_SQL.Sql_GetReadonlyRecordset", ExecutingInfo(&connection, sql));
  }
  return nullptr;
}

bool Sql_RecordExists(const std::string& sql, const std::string& connectionString,
                      std::optional<bool> readCommitted) {
  ConnectionRef connection = Sql_GetOpenConnection(connectionString);
  ScopedClose closeConnection(connection);
  ApplyIsolation(Sql_RequireConnection(connection), readCommitted);
  RecordsetRef rows = NewRecordset();
  ScopedClose closeRows(rows);
  rows->Open(sql, *connection);
  rows->Detach();
  Sql_CloseConnection(connection);
  return !rows->IsEOF();
}

bool Sql_ExistsInTable(const std::string& table, rt::Dictionary& values, const rt::Variant& key,
                       const std::string& column, ConnectionRef& connection) {
  if (!values.Exists(key)) return false;
  try {
    ScopedClose closeConnection(connection);
    RecordsetRef rows;
    ScopedClose closeRows(rows);
    const std::string sql = "SELECT * FROM " + Sql_TableName(table) + " WHERE (" +
                            Sql_ColumnName(table, column) + "=" + Gen_SqlValue(values.Item(key)) + ")";
    rows = Sql_RequireConnection(connection).Execute(sql, {}, nullptr, 1);
    const bool found = !(rows->IsBOF() && rows->IsEOF());
    Sql_CloseRecordset(rows);
    Sql_CloseConnection(connection);
    Mts_SetComplete();
    return found;
  } catch (...) {
    Mts_SetAbort();
    Err_Handle("Sql_ExistsInTable");
  }
  return false;
}

bool Sql_FieldExistsInTable(const std::string& table, rt::Dictionary& values, const rt::Variant& key,
                            ConnectionRef& connection) {
  return Sql_ExistsInTable(table, values, key, rt::CStr(key), connection);
}

}  // namespace korvo::infra
