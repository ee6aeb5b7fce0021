// Lib_SQL: the only place that opens connections and record sets for the
// library's queries. Each query runs on its own connection from the
// connection string and comes back as a record set readable after the
// connection has gone.
#pragma once

#include <optional>
#include <string>

#include "infrastructure/contracts/database.h"
#include "platform/runtime/dictionary.h"

namespace korvo::infra {

using contracts::ConnectionRef;
using contracts::RecordsetRef;

inline constexpr const char* kReadCommitted = "set TRANSACTION ISOLATION LEVEL READ COMMITTED";

ConnectionRef Sql_GetOpenConnection(const std::string& connectionString);
// Close if open, then clear the reference. Safe on null or closed.
void Sql_CloseConnection(ConnectionRef& connection);
void Sql_CloseRecordset(RecordsetRef& recordset);

RecordsetRef Sql_GetDisconnectedRecordset(const std::string& sql, const std::string& connectionString,
                                          std::optional<bool> readCommitted = std::nullopt);
RecordsetRef Sql_GetReadonlyRecordset(const std::string& sql, contracts::Connection& connection);
bool Sql_RecordExists(const std::string& sql, const std::string& connectionString,
                      std::optional<bool> readCommitted = std::nullopt);
// Closes the given connection (the caller's!) unless the key is absent.
bool Sql_ExistsInTable(const std::string& table, rt::Dictionary& values, const rt::Variant& key,
                       const std::string& column, ConnectionRef& connection);
bool Sql_FieldExistsInTable(const std::string& table, rt::Dictionary& values, const rt::Variant& key,
                            ConnectionRef& connection);

}  // namespace korvo::infra
