#include "platform/host/object_context.h"

#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"

namespace korvo::host {

namespace {
thread_local ObjectContext* t_current = nullptr;
}  // namespace

ObjectContext* GetObjectContext() { return t_current; }

ContextActivation::ContextActivation(ObjectContext* context) : previous_(t_current), context_(context) {
  t_current = context;
  if (context) ++context->calls_;
}

ContextActivation::~ContextActivation() {
  t_current = previous_;
  if (context_ && --context_->calls_ == 0) context_->Settle();
}

rt::ObjectRef ObjectContext::CreateInstance(std::string_view progId) {
  return CreateInContext(progId, this);
}

void ObjectContext::SetAbort() {
  vote_ = Vote::Abort;
  if (calls_ == 0 || voter_ == Voter::Scope) Settle();
}

void ObjectContext::Settle() noexcept {
  if (vote_ == Vote::Abort && transaction_) transaction_->Doom();
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

std::string SessionText(const rt::Dictionary& session, std::string_view key) {
  const rt::Variant* value = session.Find(rt::Variant(std::string(key)));
  return value && !value->IsNull() ? rt::CStr(*value) : std::string();
}

}  // namespace korvo::host
