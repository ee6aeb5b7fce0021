#include "platform/host/component.h"

#include "platform/runtime/variant.h"

namespace korvo::host {

rt::Variant Component::Invoke(std::string_view member, rt::InvokeKind kind,
                              std::span<rt::Variant> args) {
  const DispatchTable::Member* entry = Dispatch().Find(member, kind);
  if (!entry) return Object::Invoke(member, kind, args);
  CallScope call;
  ContextActivation activation(context_.get());
  return entry->invoke(*this, args);
}

void AttachContext(Component& component, std::shared_ptr<ObjectContext> context) {
  component.context_ = std::move(context);
}

}  // namespace korvo::host
