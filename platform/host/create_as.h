// Typed creation by ProgID for the platform's own services, which sit below
// the library's component helpers and report their failures themselves.
#pragma once

#include <memory>
#include <string_view>

#include "platform/host/object_context.h"
#include "platform/host/registry.h"
#include "platform/runtime/error.h"

namespace korvo::host {

// Creates progId inside the calling thread's object context, so it joins
// the caller's activity and transaction, or plainly outside the host; as T.
// Raises 429 for an unknown ProgID (or the factory's own error), and Type
// mismatch (13) when the registered class does not implement T.
template <class T>
std::shared_ptr<T> CreateAs(std::string_view progId) {
  auto typed = std::dynamic_pointer_cast<T>(CreateInContext(progId, GetObjectContext()));
  if (!typed) rt::Raise(rt::errnum::kTypeMismatch);
  return typed;
}

}  // namespace korvo::host
