#include "platform/runtime/object.h"

#include "platform/runtime/error.h"
#include "platform/runtime/variant.h"

namespace korvo::rt {

Variant Object::Invoke(std::string_view /*member*/, InvokeKind /*kind*/, std::span<Variant> /*args*/) {
  Raise(errnum::kNotSupported);
}

}  // namespace korvo::rt
