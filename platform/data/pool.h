// ConnectionPool: physical connections kept open per connection string, so
// that opening a connection for every query costs a list look-up.
//
// Acquire hands out a PooledConnection, an RAII lease that returns the
// physical connection when it ends (an explicit transaction still open on it
// is rolled back first). At most kMaxIdle idle connections are kept per
// connection string; more are closed on return. A thread is given back the
// idle connection it returned last, when there is one (its pages are still
// in that thread's processor cache). A new physical connection to an empty
// database file creates the schema (platform/data/schema.h).
//
// Thread-safe. A leased connection belongs to the thread holding the lease.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <utility>

#include "platform/data/driver.h"

namespace korvo::data {

struct PoolStats {
  std::size_t idle = 0;   // open physical connections waiting in the pool
  std::size_t inUse = 0;  // leases not yet returned
};

struct PoolEntry;

class PooledConnection {
 public:
  PooledConnection() = default;
  PooledConnection(PooledConnection&& other) noexcept
      : entry_(std::exchange(other.entry_, nullptr)), connection_(std::move(other.connection_)) {}
  PooledConnection& operator=(PooledConnection&& other) noexcept;
  PooledConnection(const PooledConnection&) = delete;
  PooledConnection& operator=(const PooledConnection&) = delete;
  ~PooledConnection() { Release(); }

  explicit operator bool() const { return connection_ != nullptr; }
  // The physical connection; only while the lease holds one.
  DriverConnection& get() const { return *connection_; }
  const Driver& driver() const;
  // Returns the physical connection now; the lease is empty afterwards.
  void Release() noexcept;

 private:
  friend class ConnectionPool;
  PooledConnection(PoolEntry* entry, std::unique_ptr<DriverConnection> connection)
      : entry_(entry), connection_(std::move(connection)) {}
  PoolEntry* entry_ = nullptr;  // pool entries live as long as the process
  std::unique_ptr<DriverConnection> connection_;
};

class ConnectionPool {
 public:
  static constexpr std::size_t kMaxIdle = 8;

  // A pooled or new physical connection. Raises 0x80004005 for a malformed
  // connection string or an unknown driver; throws DriverError when the
  // database cannot be opened.
  static PooledConnection Acquire(const std::string& connectionString);
  // The counts for one connection string ({0, 0} for one never used).
  static PoolStats Stats(const std::string& connectionString);
  // Closes the idle physical connections of one connection string (before
  // its database file is removed, say). Leases in use are unaffected.
  static void CloseIdle(const std::string& connectionString);
  // Closes the idle physical connections of every connection string: at a
  // clean exit, so that SQLite folds its write-ahead log back into the
  // database file and the file alone holds every committed row.
  static void CloseAllIdle();
};

}  // namespace korvo::data
