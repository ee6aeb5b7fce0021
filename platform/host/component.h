// Component: the base of every class the host creates by ProgID.
//
// A component knows the context it was created in (null when created outside
// the host) and answers late-bound calls through its dispatch table, making
// its context current for the duration of each call. ObjectControl is the
// host's activation interface for classes registered with callbacks.
#pragma once

#include <memory>

#include "platform/host/call_scope.h"
#include "platform/host/dispatch_table.h"
#include "platform/host/object_context.h"
#include "platform/runtime/object.h"

namespace korvo::host {

class Component : public rt::Object {
 public:
  // The context the host created this object in; null outside the host.
  const std::shared_ptr<ObjectContext>& Context() const { return context_; }

  // Calls a member by name through Dispatch(), with this object's context
  // current, as one call (host::CallScope). Raises 438 for unknown members,
  // 449/450 for argument counts.
  rt::Variant Invoke(std::string_view member, rt::InvokeKind kind, std::span<rt::Variant> args) override;

  // The class's member table; built once per class.
  virtual const DispatchTable& Dispatch() const = 0;

 private:
  friend void AttachContext(Component&, std::shared_ptr<ObjectContext>);
  std::shared_ptr<ObjectContext> context_;
};

// Used by the host when it creates an object inside a context.
void AttachContext(Component& component, std::shared_ptr<ObjectContext> context);

// The host's object-control interface (Activate on creation inside a
// context, Deactivate on release, CanBePooled asked at release).
class ObjectControl {
 public:
  virtual ~ObjectControl() = default;
  virtual void ObjectControl_Activate() = 0;
  virtual void ObjectControl_Deactivate() = 0;
  virtual bool ObjectControl_CanBePooled() = 0;
};

// A typed reference that makes the object's context current around every
// call made through ->, as the host's interception did for each call, and
// marks the call's boundary (host::CallScope) for the resources it uses.
//   host::Ref<Currency> c = host::Create<Currency>("KorvoCommon.Currency");
//   c->GetCurrency(code);
template <class T>
class Ref {
 public:
  Ref() = default;
  explicit Ref(std::shared_ptr<T> p) : p_(std::move(p)) {}

  class Call {
   public:
    Call(T* p, ObjectContext* c) : p_(p), activation_(c) {}
    T* operator->() const { return p_; }

   private:
    T* p_;
    CallScope call_;
    ContextActivation activation_;
  };

  Call operator->() const { return Call(p_.get(), ContextOf(p_.get())); }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  const std::shared_ptr<T>& get() const { return p_; }

 private:
  static ObjectContext* ContextOf(T* p) {
    if (auto* c = dynamic_cast<Component*>(p)) return c->Context().get();
    return GetObjectContext();
  }
  std::shared_ptr<T> p_;
};

}  // namespace korvo::host
