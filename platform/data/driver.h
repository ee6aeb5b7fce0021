// The backend driver interface: one implementation per database product
// (platform/data/<backend>/), chosen by the connection string's Driver key.
// Callers above this interface (connections, record sets, the pool, the
// schema) never name a backend.
//
// Statements arrive in the library's own SQL dialect; a driver translates
// what its database would not understand (see docs/data-layer.md) and binds
// positional parameters with its storage format.
//
// Errors: drivers throw DriverError, classified so the connection layer can
// give the contract's error numbers. Ownership and threading: a
// DriverConnection belongs to one thread at a time (the pool hands it out);
// Driver objects are immutable and thread-safe.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/contracts/database.h"
#include "platform/data/connection_string.h"
#include "platform/data/result_set.h"

namespace korvo::data {

struct TableDef;

enum class FailureKind {
  Malformed,   // the database rejected the statement's text
  Constraint,  // a constraint was violated
  Other,       // busy, I/O, open failures, ...
};

class DriverError : public std::runtime_error {
 public:
  // `source` names the provider in the error raised for this failure.
  DriverError(FailureKind kind, const std::string& message, std::int32_t nativeError, std::string source)
      : std::runtime_error(message), kind_(kind), native_(nativeError), source_(std::move(source)) {}
  FailureKind kind() const { return kind_; }
  std::int32_t nativeError() const { return native_; }
  const std::string& source() const { return source_; }

 private:
  FailureKind kind_;
  std::int32_t native_;
  std::string source_;
};

// A prepared statement; owned by its connection.
class DriverStatement {
 public:
  virtual ~DriverStatement() = default;
  // Binds the parameters in order, runs the statement to completion and
  // returns its rows (at most maxRecords when > 0). Reusable afterwards.
  virtual ResultSet Run(std::span<const contracts::Parameter> params, std::int32_t maxRecords) = 0;
  // True when running the statement changes nothing, so it may read inside
  // a call's read snapshot (platform/data/call_session.h). The default,
  // false, is always safe: the statement then runs outside any snapshot.
  virtual bool IsReadOnly() const { return false; }
};

// One physical database connection. Non-copyable.
class DriverConnection {
 public:
  DriverConnection() = default;
  DriverConnection(const DriverConnection&) = delete;
  DriverConnection& operator=(const DriverConnection&) = delete;
  virtual ~DriverConnection() = default;

  // The statement for `sql` (library dialect), prepared or from the
  // connection's statement cache. The reference stays valid until the next
  // Prepare on this connection.
  virtual DriverStatement& Prepare(const std::string& sql) = 0;
  // The key the database assigned to the last row inserted on this connection.
  virtual std::int64_t LastInsertKey() = 0;

  // Explicit transactions. The write lock is taken before the transaction
  // reads anything, so writers of other connections wait rather than fail
  // at commit.
  virtual void Begin() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() noexcept = 0;
  // True while an explicit transaction is open (false again when the
  // database rolled it back by itself after a failure).
  virtual bool InTransaction() const = 0;
  // Begins a read transaction, so the reads that follow share one snapshot
  // and pay the database's per-statement locking once; Rollback() ends it.
  // Backends whose reads gain nothing from one keep the default, which
  // begins nothing (InTransaction() stays false).
  virtual void BeginRead() {}

  // Schema bookkeeping for InitializeDatabase (platform/data/schema.h).
  virtual int SchemaVersion() = 0;
  virtual void SetSchemaVersion(int version) = 0;
  virtual bool HasTables() = 0;
};

class Driver {
 public:
  virtual ~Driver() = default;
  // The name the connection string's Driver key gives (compared without case).
  virtual std::string_view Name() const = 0;
  // Opens a physical connection; rejects options it does not know with
  // 0x80004005 "Unknown connection string option 'key'".
  virtual std::unique_ptr<DriverConnection> Connect(const ConnectionOptions& options) const = 0;
  // The DDL creating a table with its keys, references and indexes (and any
  // planner statistics the backend needs to use them), each statement
  // tolerating an object that already exists.
  virtual std::vector<std::string> CreateStatements(const TableDef& table) const = 0;
};

// The driver a connection string names. Raises 0x80004005 "Unknown driver
// 'X'" for a name no backend answers to.
const Driver& FindDriver(std::string_view name);

}  // namespace korvo::data
