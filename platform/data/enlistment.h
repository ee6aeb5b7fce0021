// Enlistment: how connections join a host transaction.
//
// Every Connection opened on one connection string inside one host
// transaction shares one EnlistedSession: one pooled physical connection and
// one database transaction, begun (BEGIN IMMEDIATE: the write lock at once)
// at the first statement, committed or rolled back when the host transaction
// completes, after which the physical connection returns to the pool.
// Belongs to the transaction's thread.
#pragma once

#include <memory>
#include <string>

#include "platform/data/pool.h"
#include "platform/host/transaction.h"

namespace korvo::data {

class EnlistedSession {
 public:
  explicit EnlistedSession(PooledConnection lease) : lease_(std::move(lease)) {}
  EnlistedSession(const EnlistedSession&) = delete;
  EnlistedSession& operator=(const EnlistedSession&) = delete;

  // The physical connection for the next statement, beginning the database
  // transaction at the first. Raises 0x80004005 once the host transaction
  // has ended, or when the database rolled its transaction back by itself
  // after a failure (so later statements cannot commit on their own).
  DriverConnection& Use();
  // Commits (rolling back and raising when that fails) or rolls back, then
  // returns the physical connection to the pool.
  void Commit();
  void Rollback() noexcept;

 private:
  PooledConnection lease_;
  bool begun_ = false;
};

// The session of `transaction` for the connection string, enlisting a new
// one (with a connection from the pool) on first use. Raises the pool's
// errors, or the host's when the transaction has completed.
std::shared_ptr<EnlistedSession> Enlist(host::Transaction& transaction,
                                        const std::string& connectionString);

}  // namespace korvo::data
