#include "platform/host/host_scope.h"

#include <exception>

namespace korvo::host {

HostScope::HostScope(ScopeOptions options)
    : state_(std::make_shared<ScopeState>(
          ScopeState{std::move(options.application), std::move(options.session), {}})),
      context_(std::make_shared<ObjectContext>(
          state_, options.transactional ? std::make_shared<Transaction>() : nullptr,
          ObjectContext::Voter::Scope)),
      activation_(context_.get()),
      uncaught_(std::uncaught_exceptions()) {}

HostScope::~HostScope() {
  if (ended_) return;
  const bool unwinding = std::uncaught_exceptions() > uncaught_;
  try {
    End(unwinding);
  } catch (...) {
    // A destructor cannot report a failed commit; End() already rolled back.
  }
}

Outcome HostScope::End(bool abort) {
  if (ended_) return outcome_;
  ended_ = true;
  for (auto& weak : state_->rootedTransactions) {
    if (auto rooted = weak.lock()) {
      if (abort) {
        rooted->Abort();
      } else {
        try {
          rooted->Complete();
        } catch (...) {
          rooted->Abort();
        }
      }
    }
  }
  const auto& transaction = context_->transaction();
  if (!transaction) return outcome_ = Outcome::None;
  if (abort) transaction->Doom();
  outcome_ = Outcome::Aborted;  // stays so if Complete() raises
  outcome_ = transaction->Complete();
  return outcome_;
}

}  // namespace korvo::host
