// LdapUndoLog: the directory writes made inside one host transaction.
//
// An LDAP server has no transactions to join, so a write inside a host
// transaction is made at once and its undo is kept here: if the transaction
// rolls back, the undos run newest first (a created user is deleted, a
// deleted one added again, changed attributes get their old values back);
// if it commits they are dropped. Between a write and the commit of the
// database work made with it, a crash of the process leaves the directory
// change in place without that work; callers make their directory writes
// last to keep that window short. Belongs to the transaction's thread.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/host/transaction.h"

namespace korvo::membership {

class LdapUndoLog final : public host::TransactionResource {
 public:
  using Undo = std::function<void()>;

  // The log of the calling thread's host transaction for `directory`,
  // enlisted at first use; nullptr outside a transaction (or once it has
  // completed), where writes are final at once.
  static LdapUndoLog* Current(const std::string& directory);

  void Add(Undo undo) { undos_.push_back(std::move(undo)); }

  void Commit() override { undos_.clear(); }
  // An undo that fails (the server is down) is written to Korvex.Log, and
  // the others still run.
  void Rollback() noexcept override;

 private:
  std::vector<Undo> undos_;
};

}  // namespace korvo::membership
