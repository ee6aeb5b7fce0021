#include "platform/host/object_context.h"

#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::host {

namespace {
thread_local ObjectContext* t_current = nullptr;
}  // namespace

ObjectContext* GetObjectContext() { return t_current; }

ContextActivation::ContextActivation(ObjectContext* context) : previous_(t_current) {
  t_current = context;
}

ContextActivation::~ContextActivation() { t_current = previous_; }

rt::ObjectRef ObjectContext::CreateInstance(std::string_view progId) {
  return CreateInContext(progId, this);
}

void ObjectContext::SetAbort() {
  if (transaction_) transaction_->Doom();
}

rt::DictionaryRef ObjectContext::Item(std::string_view name) const {
  rt::DictionaryRef item;
  if (rt::TextEqualsNoCase(name, "Application")) {
    item = scope_->application;
  } else if (rt::TextEqualsNoCase(name, "Session")) {
    item = scope_->session;
  }
  if (!item) rt::Raise(rt::errnum::kInvalidProcedureCall);
  return item;
}

}  // namespace korvo::host
