// Registry: the host's class table, ProgID -> factory and attributes.
//
// ProgIDs compare case-insensitively: callers spell them freely. Tests and
// deployments may register a replacement for any ProgID (a recording log, a
// refusing referential checker); RegistrationOverride does so for a scope.
// Thread-safe: registrations and look-ups may come from any thread. Creation
// reads what each thread remembers of the table, without a lock; a change
// reaches every thread's next creation (one nested inside a running
// creation included). A replaced registration, and what its factory holds,
// is released when every thread that created its objects has created
// another object or ended.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/host/object_context.h"
#include "platform/runtime/object.h"

namespace korvo::host {

struct ClassInfo {
  std::string progId;
  TransactionAttribute transaction = TransactionAttribute::None;
  bool objectControl = false;  // the class implements ObjectControl
  std::function<rt::ObjectRef()> factory;
};

class Registry {
 public:
  // The process-wide registry.
  static Registry& Global();

  // Adds or replaces the registration of info.progId; returns the previous
  // registration, if any.
  std::optional<ClassInfo> Register(ClassInfo info);
  void Unregister(std::string_view progId);
  std::optional<ClassInfo> Find(std::string_view progId) const;
  std::vector<std::string> ProgIds() const;

 private:
  Registry() = default;
};

// Registers a replacement for the guard's lifetime, then restores what was
// registered before. Non-copyable.
class RegistrationOverride {
 public:
  explicit RegistrationOverride(ClassInfo info);
  ~RegistrationOverride();
  RegistrationOverride(const RegistrationOverride&) = delete;
  RegistrationOverride& operator=(const RegistrationOverride&) = delete;

 private:
  std::string progId_;
  std::optional<ClassInfo> previous_;
};

// Plain creation by ProgID, without a context (the runtime's CreateObject).
// Raises 429 "ActiveX component can't create object" for an unknown ProgID.
rt::ObjectRef CreateObject(std::string_view progId);

// Creation inside `context` (nullptr: plain creation). Used by
// ObjectContext::CreateInstance and by the script host.
rt::ObjectRef CreateInContext(std::string_view progId, ObjectContext* context);

}  // namespace korvo::host
