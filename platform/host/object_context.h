// ObjectContext: what the component host gives an object created inside it.
//
// A context belongs to one host scope (one web request): it reaches the
// scope's "Application" and "Session" items, the transaction the object
// joined (if any), and creates further objects within itself so they join the
// same activity and transaction.
//
// The current context is per thread: the context of the object whose method
// is running (ContextActivation sets it around each call that goes through a
// host::Ref or the dispatch layer). Outside any host scope there is none, and
// GetObjectContext() returns nullptr: callers test for it to tell
// whether they run inside a host.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/host/transaction.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/object.h"

namespace korvo::host {

enum class TransactionAttribute { None, NotSupported, Required };

// What one host scope shares with every context inside it.
struct ScopeState {
  rt::DictionaryRef application;  // web application variables (may be null)
  rt::DictionaryRef session;      // web session values (may be null)
  // Transactions rooted at objects created where no transaction existed;
  // the scope completes any still open when it ends.
  std::vector<std::weak_ptr<Transaction>> rootedTransactions;
};

class ObjectContext {
 public:
  // Whose votes the context carries: an object's (counted when its
  // outermost call returns) or the scope's own, for the code that runs the
  // request (an abort counts at once).
  enum class Voter { Object, Scope };

  ObjectContext(std::shared_ptr<ScopeState> scope, std::shared_ptr<Transaction> transaction,
                Voter voter = Voter::Object)
      : scope_(std::move(scope)), transaction_(std::move(transaction)), voter_(voter) {}
  ObjectContext(const ObjectContext&) = delete;
  ObjectContext& operator=(const ObjectContext&) = delete;

  // Creates a registered class inside this context: a Required class joins
  // this context's transaction (or roots a new one when there is none), a
  // NotSupported class gets none, a plain class shares this one's. Raises
  // 429 "ActiveX component can't create object" for an unknown ProgID, or the
  // factory's own error.
  rt::ObjectRef CreateInstance(std::string_view progId);

  // Votes. A vote belongs to the object that casts it, and its last vote
  // when its outermost call returns is what counts: an abort then dooms the
  // transaction, a complete leaves it to the others' votes. So an object may
  // vote abort inside a helper and complete before returning without
  // dooming its caller. A vote cast while no call of this context runs, or
  // on a scope's own context, counts at once: an abort there is final.
  // Without a transaction both do nothing.
  void SetComplete() { vote_ = Vote::Complete; }
  void SetAbort();
  // Dooms the transaction when the last vote was abort. Called when the
  // outermost call ends, and by a scope before it completes its own.
  void Settle() noexcept;

  bool IsInTransaction() const { return transaction_ != nullptr; }
  const std::shared_ptr<Transaction>& transaction() const { return transaction_; }
  const std::shared_ptr<ScopeState>& scope() const { return scope_; }

  // The context items "Application" and "Session" (case-insensitive).
  // Raises 5 "Invalid procedure call or argument" for any other name or when
  // the scope was begun without that item.
  rt::DictionaryRef Item(std::string_view name) const;

 private:
  friend class ContextActivation;
  enum class Vote { None, Complete, Abort };

  std::shared_ptr<ScopeState> scope_;
  std::shared_ptr<Transaction> transaction_;
  Voter voter_;
  Vote vote_ = Vote::None;
  int calls_ = 0;  // activations of this context now running on its thread
};

// The calling thread's current context, or nullptr outside the host.
ObjectContext* GetObjectContext();

// Makes a context current on this thread for its lifetime (nullptr is a
// valid value: an object created outside the host), as one call of the
// context's object: when the outermost one ends, the object's last vote is
// settled. Non-copyable; nests.
class ContextActivation {
 public:
  explicit ContextActivation(ObjectContext* context);
  ~ContextActivation();
  ContextActivation(const ContextActivation&) = delete;
  ContextActivation& operator=(const ContextActivation&) = delete;

 private:
  ObjectContext* previous_;
  ObjectContext* context_;
};

// A session value as text, read without adding the key: "" when the session
// lacks it or holds Null. How the sign-in items (REMOTE_ACCOUNT,
// REMOTE_PASSWORD) are read wherever a session supplies them.
std::string SessionText(const rt::Dictionary& session, std::string_view key);

}  // namespace korvo::host
