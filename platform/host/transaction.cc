#include "platform/host/transaction.h"

#include "platform/runtime/error.h"

namespace korvo::host {

Transaction::~Transaction() { Abort(); }

TransactionResource* Transaction::Find(const std::string& key) const {
  for (const auto& [k, resource] : resources_) {
    if (k == key) return resource.get();
  }
  return nullptr;
}

TransactionResource& Transaction::Enlist(std::string key,
                                         std::unique_ptr<TransactionResource> resource) {
  if (completed_) {
    rt::Raise(rt::errnum::kInvalidProcedureCall, "The transaction has already completed");
  }
  resources_.emplace_back(std::move(key), std::move(resource));
  return *resources_.back().second;
}

Outcome Transaction::Complete() {
  if (completed_) return outcome_;
  if (doomed_) {
    Abort();
    return outcome_;
  }
  completed_ = true;
  // Commit resource by resource; a failure rolls back those not yet committed,
  // which is all the atomicity one database per scope needs.
  for (std::size_t i = 0; i < resources_.size(); ++i) {
    try {
      resources_[i].second->Commit();
    } catch (...) {
      for (std::size_t j = i; j < resources_.size(); ++j) resources_[j].second->Rollback();
      resources_.clear();
      outcome_ = Outcome::Aborted;
      throw;
    }
  }
  resources_.clear();
  outcome_ = Outcome::Committed;
  return outcome_;
}

void Transaction::Abort() noexcept {
  if (completed_ && resources_.empty()) return;
  completed_ = true;
  for (auto& entry : resources_) entry.second->Rollback();
  resources_.clear();
  outcome_ = Outcome::Aborted;
}

}  // namespace korvo::host
