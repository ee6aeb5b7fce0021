// Lib_SQL: the only place that opens connections and record sets for the
// library's queries. Each query runs on its own connection from the
// connection string and comes back as a record set readable after the
// connection has gone.
//
// Connections and record sets are created by class name ("ADODB.Connection",
// "ADODB.Recordset") through Gen_GetComponent, so inside a host context they
// join the caller's transaction. Every function runs on the calling thread
// and shares nothing with other calls, apart from a connection the caller
// passes in. Errors are raised as rt::Error; the database's own numbers
// (contracts::dberr) reach the caller unchanged.
#pragma once

#include <optional>
#include <string>

#include "platform/contracts/database.h"
#include "platform/data/scoped_close.h"
#include "platform/runtime/dictionary.h"

namespace korvo::infra {

using contracts::ConnectionRef;
using contracts::RecordsetRef;

inline constexpr const char* kReadCommitted = "set TRANSACTION ISOLATION LEVEL READ COMMITTED";

// A new connection, opened on connectionString; the caller owns it and closes
// it with Sql_CloseConnection. Failures go through
// Err_Handle("Lib_SQL.Sql_GetOpenConnection").
ConnectionRef Sql_GetOpenConnection(const std::string& connectionString);

// Closes the connection if it is set and open, then clears the reference in
// every case (also when closing raises). Safe on a null or closed reference.
void Sql_CloseConnection(ConnectionRef& connection);
// The same for a record set.
void Sql_CloseRecordset(RecordsetRef& recordset);

// The connection itself; raises Object variable not set (91) for a null
// reference, as a call on Nothing does.
contracts::Connection& Sql_RequireConnection(const ConnectionRef& connection);

// Runs sql on a connection of its own (preceded by the read-committed
// statement when readCommitted is true), and returns the rows detached: the
// caller reads them with no connection. The connection is closed before
// returning, on success and failure. Failures go through
// Err_Handle("Lib_SQL.Sql_GetDisconnectedRecordset", info) with info =
// Err_ConnectionErrors(connection) + " executing: '" + sql + "'".
RecordsetRef Sql_GetDisconnectedRecordset(const std::string& sql, const std::string& connectionString,
                                          std::optional<bool> readCommitted = std::nullopt);

// Runs sql on the caller's open connection and returns the rows still
// attached; the caller closes both. Failures go through
// Err_Handle("Lib_SQL.Sql_GetReadonlyRecordset", info) with the same info
// text; the caller's connection is left as it is.
RecordsetRef Sql_GetReadonlyRecordset(const std::string& sql, contracts::Connection& connection);

// True when sql returns at least one row, run on a connection of its own that
// is closed before returning. No handler of its own: failures reach the
// caller's handler unchanged (the connection is still closed).
bool Sql_RecordExists(const std::string& sql, const std::string& connectionString,
                      std::optional<bool> readCommitted = std::nullopt);

// True when table has a row whose column equals values[key]. When the
// dictionary has no such key the answer is false and the connection is left
// untouched; otherwise the caller's connection is closed by this call and the
// transaction voted complete. Table and column must be the schema's
// (see Sql_TableName, Sql_ColumnName). Failures close the connection, vote abort and go
// through Err_Handle("Sql_ExistsInTable").
bool Sql_ExistsInTable(const std::string& table, rt::Dictionary& values, const rt::Variant& key,
                       const std::string& column, ConnectionRef& connection);
// Sql_ExistsInTable with the key's text as the column. No handler of its own.
bool Sql_FieldExistsInTable(const std::string& table, rt::Dictionary& values, const rt::Variant& key,
                            ConnectionRef& connection);

// Closes and clears a connection or record set reference when the scope
// ends (platform/data/scoped_close.h).
using data::ScopedClose;

}  // namespace korvo::infra
