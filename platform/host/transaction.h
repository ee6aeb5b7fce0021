// Transaction: one host transaction, shared by every component that joins it.
//
// Resource managers (the data layer's connections) enlist under a key, the
// connection string, so every connection opened on one connection string
// inside the transaction shares one physical connection and one database
// transaction. Votes: an object whose outermost call returns with an abort
// vote dooms the transaction (ObjectContext::Settle); Complete() then rolls
// every resource back, otherwise commits them. The default isolation the host
// promises is serializable.
//
// Thread-compatible: a transaction belongs to the one thread that runs its
// scope.
#pragma once

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace korvo::host {

// A resource manager enlisted in a host transaction.
class TransactionResource {
 public:
  virtual ~TransactionResource() = default;
  // Both are called at most once, and never both. Commit may raise (for
  // example a database busy error); the transaction then rolls back the
  // resources not yet committed and re-raises.
  virtual void Commit() = 0;
  virtual void Rollback() noexcept = 0;
};

enum class Outcome { None, Committed, Aborted };

class Transaction {
 public:
  Transaction() = default;
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;
  // A transaction dropped without Complete() rolls back.
  ~Transaction();

  void Doom() { doomed_ = true; }
  bool IsDoomed() const { return doomed_; }
  bool IsCompleted() const { return completed_; }

  // The resource enlisted under key, or nullptr.
  TransactionResource* Find(const std::string& key) const;
  // Enlists a resource; the transaction owns it. Raises when completed.
  TransactionResource& Enlist(std::string key, std::unique_ptr<TransactionResource> resource);

  // Commits unless doomed, else rolls back. Idempotent: later calls return
  // the first outcome. A failing commit rolls back the rest and re-raises.
  Outcome Complete();
  // Rolls back whatever is enlisted, whatever the votes.
  void Abort() noexcept;

 private:
  bool doomed_ = false;
  bool completed_ = false;
  Outcome outcome_ = Outcome::None;
  std::vector<std::pair<std::string, std::unique_ptr<TransactionResource>>> resources_;
};

}  // namespace korvo::host
