#include "platform/host/registry.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>
#include <shared_mutex>

#include "platform/host/component.h"
#include "platform/runtime/error.h"

namespace korvo::host {

namespace {

// ProgIDs are ASCII; the host compared them without regard to case.
std::string FoldProgId(std::string_view progId) {
  std::string key(progId);
  std::transform(key.begin(), key.end(), key.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return key;
}

std::shared_ptr<Transaction> TransactionFor(const ClassInfo& info, ObjectContext& parent) {
  switch (info.transaction) {
    case TransactionAttribute::NotSupported:
      return nullptr;
    case TransactionAttribute::None:
      return parent.transaction();
    case TransactionAttribute::Required:
      if (parent.transaction()) return parent.transaction();
      // Created where no transaction runs: the object roots its own, which
      // completes when the object is released or its scope ends.
      auto rooted = std::make_shared<Transaction>();
      parent.scope()->rootedTransactions.push_back(rooted);
      return rooted;
  }
  return nullptr;
}

// Wraps a new object so that its release deactivates it and completes the
// transaction it rooted, as the host did when the last reference went away.
rt::ObjectRef WrapForRelease(rt::ObjectRef object, std::shared_ptr<ObjectContext> context,
                             bool rootsTransaction) {
  auto* raw = object.get();
  return rt::ObjectRef(raw, [object = std::move(object), context = std::move(context),
                             rootsTransaction](rt::Object*) mutable {
    if (auto* control = dynamic_cast<ObjectControl*>(object.get())) {
      ContextActivation activation(context.get());
      try {
        control->ObjectControl_Deactivate();
      } catch (...) {
        // A failing callback must not keep the object alive or escape a release.
      }
    }
    object.reset();
    if (rootsTransaction && context->transaction()) {
      try {
        context->transaction()->Complete();
      } catch (...) {
        context->transaction()->Abort();
      }
    }
  });
}

}  // namespace

struct Registry::Impl {
  mutable std::shared_mutex mutex;
  std::map<std::string, ClassInfo> classes;
};

Registry& Registry::Global() {
  static Registry registry;
  return registry;
}

Registry::Impl& Registry::impl() const {
  static Impl impl;
  return impl;
}

std::optional<ClassInfo> Registry::Register(ClassInfo info) {
  std::unique_lock lock(impl().mutex);
  auto key = FoldProgId(info.progId);
  std::optional<ClassInfo> previous;
  if (auto it = impl().classes.find(key); it != impl().classes.end()) previous = it->second;
  impl().classes[key] = std::move(info);
  return previous;
}

void Registry::Unregister(std::string_view progId) {
  std::unique_lock lock(impl().mutex);
  impl().classes.erase(FoldProgId(progId));
}

std::optional<ClassInfo> Registry::Find(std::string_view progId) const {
  std::shared_lock lock(impl().mutex);
  auto it = impl().classes.find(FoldProgId(progId));
  if (it == impl().classes.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> Registry::ProgIds() const {
  std::shared_lock lock(impl().mutex);
  std::vector<std::string> ids;
  for (const auto& [key, info] : impl().classes) ids.push_back(info.progId);
  return ids;
}

RegistrationOverride::RegistrationOverride(ClassInfo info)
    : progId_(info.progId), previous_(Registry::Global().Register(std::move(info))) {}

RegistrationOverride::~RegistrationOverride() {
  if (previous_) {
    Registry::Global().Register(*previous_);
  } else {
    Registry::Global().Unregister(progId_);
  }
}

rt::ObjectRef CreateObject(std::string_view progId) { return CreateInContext(progId, nullptr); }

rt::ObjectRef CreateInContext(std::string_view progId, ObjectContext* parent) {
  auto info = Registry::Global().Find(progId);
  if (!info || !info->factory) rt::Raise(rt::errnum::kCannotCreateObject);
  rt::ObjectRef object = info->factory();
  if (!object) rt::Raise(rt::errnum::kCannotCreateObject);
  if (!parent) return object;

  const bool hadTransaction = parent->transaction() != nullptr;
  auto context = std::make_shared<ObjectContext>(parent->scope(), TransactionFor(*info, *parent));
  const bool rootsTransaction = !hadTransaction && context->transaction() != nullptr;
  if (auto* component = dynamic_cast<Component*>(object.get())) AttachContext(*component, context);
  if (auto* control = dynamic_cast<ObjectControl*>(object.get()); control && info->objectControl) {
    ContextActivation activation(context.get());
    control->ObjectControl_Activate();
  }
  return WrapForRelease(std::move(object), std::move(context), rootsTransaction);
}

}  // namespace korvo::host
