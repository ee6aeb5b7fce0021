// What the program may hand out of a call's result. The library reads its
// configuration unmasked inside the process; a client of the program reads a
// secret configuration value (a password key such as "MemScriptCode") only
// as korvex::kMaskedSecret, whether it calls ReadValue or reads it as a
// property. Connection strings anywhere in an answer are masked by the value
// encoding itself (ValueCodec).
#pragma once

#include <span>
#include <string>

#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::tool {

// `object`'s member `name` invoked as `kind` with `args` (written back as
// the callee writes them), its result as the program may show it: masked
// whole when it is a configuration read of a secret key, else unchanged.
// Raises what the member raises.
rt::Variant InvokeDisclosed(const rt::ObjectRef& object, const std::string& name, rt::InvokeKind kind,
                            std::span<rt::Variant> args);

}  // namespace korvo::tool
