// HostScope: one unit of work served inside the component host, the
// analogue of one web request.
//
// It owns the root object context (current on this thread while the scope
// lives), the scope's transaction when it is transactional, and the context
// items "Application" and "Session". Objects created while it is current join
// it through ObjectContext::CreateInstance.
//
// Outcome: End() commits the transaction unless a vote doomed it (or abort is
// asked), else rolls back. A scope destroyed without End() commits unless
// doomed, except while an exception unwinds through it: then it rolls back.
// Scopes belong to one thread; they nest (the inner one is current until it
// ends). Non-copyable, non-movable.
#pragma once

#include <memory>

#include "platform/host/object_context.h"
#include "platform/host/transaction.h"
#include "platform/runtime/dictionary.h"

namespace korvo::host {

struct ScopeOptions {
  bool transactional = true;
  rt::DictionaryRef application;  // web application variables; null: none
  rt::DictionaryRef session;      // web session values; null: none
};

class HostScope {
 public:
  explicit HostScope(ScopeOptions options = {});
  ~HostScope();
  HostScope(const HostScope&) = delete;
  HostScope& operator=(const HostScope&) = delete;

  // Completes the scope. Raises when the commit fails (after rolling back).
  // Later calls return the first outcome.
  Outcome End(bool abort = false);

  ObjectContext& Context() { return *context_; }
  const std::shared_ptr<ObjectContext>& ContextRef() const { return context_; }

 private:
  std::shared_ptr<ScopeState> state_;
  std::shared_ptr<ObjectContext> context_;
  ContextActivation activation_;
  bool ended_ = false;
  Outcome outcome_ = Outcome::None;
  int uncaught_;
};

}  // namespace korvo::host
