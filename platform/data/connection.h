// Connection: the data layer's "ADODB.Connection".
//
// Open takes a physical connection from the pool, or, when the calling
// thread's host context has a transaction, joins that transaction's session
// for the connection string (platform/data/enlistment.h), or, while a call is
// running on the thread, joins the call's shared session and its read
// snapshot (platform/data/call_session.h). Outside a transaction each
// statement commits on its own. Close gives the physical connection back (an
// enlisted or shared one stays with its transaction or call). A connection
// used after the call it joined has ended goes on with a pooled connection
// of its own.
//
// Errors are those of platform/contracts/database.h; a failing
// operation also leaves its error in Errors(). Connections are owned through
// std::shared_ptr (the registry's factory makes them so) and used by one
// thread at a time.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/contracts/database.h"
#include "platform/data/call_session.h"
#include "platform/data/enlistment.h"
#include "platform/data/pool.h"
#include "platform/data/result_set.h"
#include "platform/runtime/error.h"

namespace korvo::data {

class Connection final : public contracts::Connection {
 public:
  Connection() = default;
  ~Connection() override = default;

  // Raises 0x800A0E79 when already open, 0x80004005 for a malformed
  // connection string, an unknown driver or a database that cannot be opened.
  void Open(const std::string& connectionString) override;
  bool IsOpen() const override { return open_; }
  // Raises 0x800A0E7D when not open.
  void Close() override;
  const std::string& ConnectionString() const override { return connectionString_; }
  contracts::RecordsetRef Execute(std::string sql, std::span<const contracts::Parameter> params = {},
                                  std::int32_t* recordsAffected = nullptr,
                                  std::int32_t maxRecords = 0) override;
  const std::vector<contracts::ProviderError>& Errors() const override { return errors_; }

  // Runs one statement as issued (traced, subject to an armed StatementFault)
  // and reads its rows: the path of Execute and of record sets opened on
  // this connection.
  ResultSet Run(const std::string& sql, std::span<const contracts::Parameter> params,
                std::int32_t maxRecords);
  // The key the database assigned to the last row this connection inserted.
  std::int64_t LastInsertKey();

 private:
  DriverConnection& Physical();
  [[noreturn]] void Fail(const rt::ErrorRecord& error, std::int32_t nativeError);

  std::string connectionString_;
  bool open_ = false;
  PooledConnection own_;                       // outside a host transaction and a call
  std::shared_ptr<EnlistedSession> enlisted_;  // inside a host transaction
  std::shared_ptr<CallSession> shared_;        // inside a call, outside a transaction
  std::vector<contracts::ProviderError> errors_;
};

}  // namespace korvo::data
