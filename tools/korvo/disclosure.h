// What the program may hand out of a call's result. The library reads its
// configuration unmasked inside the process; a client of the program reads a
// secret configuration value (a password key such as "MemScriptCode") only
// as korvex::kMaskedSecret. Connection strings anywhere in an answer are
// masked by the value encoding itself (ValueCodec).
#pragma once

#include <span>
#include <string>

#include "platform/runtime/object.h"
#include "platform/runtime/variant.h"

namespace korvo::tool {

// `value`, the result of `method` called on `object` with `args`, as the
// program may show it: masked whole when it is a configuration read of a
// secret key, else unchanged.
rt::Variant Disclosed(const rt::ObjectRef& object, const std::string& method,
                      std::span<const rt::Variant> args, rt::Variant value);

}  // namespace korvo::tool
