// CallSession: how the autocommit connections of one call share one physical
// connection and one read snapshot.
//
// While a call runs on a thread (host::CallScope), every Connection opened
// outside a host transaction on one connection string joins the call's
// session: one pooled physical connection for all of them. The first read
// begins a read transaction (SQLite: BEGIN DEFERRED), so the call's reads see
// one consistent snapshot and pay the database's per-statement locking once.
// A statement that writes first ends that read transaction, so it commits on
// its own exactly as it would outside a call; a later read begins a new
// snapshot that sees it. When the outermost call returns, on success or
// failure, the read transaction ends and the physical connection goes back
// to the pool: a snapshot never outlives its call, so the next call sees
// what other connections committed meanwhile.
//
// Belongs to the calling thread. Non-copyable.
#pragma once

#include <memory>
#include <string>

#include "platform/data/pool.h"

namespace korvo::data {

class CallSession {
 public:
  explicit CallSession(PooledConnection lease) : lease_(std::move(lease)) {}
  CallSession(const CallSession&) = delete;
  CallSession& operator=(const CallSession&) = delete;

  // The shared physical connection; nullptr once the call has ended.
  DriverConnection* connection() { return lease_ ? &lease_.get() : nullptr; }
  // Called before each statement on the shared connection: a read begins
  // the call's snapshot when none is open, anything else ends it first.
  // Throws DriverError when the database refuses to begin.
  void BeforeStatement(bool readOnly);
  // Ends the snapshot and returns the physical connection to the pool.
  void End() noexcept;

 private:
  PooledConnection lease_;
  bool reading_ = false;  // a read transaction this session began is open
};

// The current call's session for the connection string, begun with a
// connection from the pool on first use; nullptr when no call is running on
// this thread. Raises the pool's errors.
std::shared_ptr<CallSession> JoinCallSession(const std::string& connectionString);

}  // namespace korvo::data
