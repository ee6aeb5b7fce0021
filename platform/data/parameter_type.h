// The parameter type a command binds a caller's value as, from the value's
// own kind, for statements whose columns the caller does not name a type for.
#pragma once

#include "platform/contracts/database.h"
#include "platform/runtime/variant.h"

namespace korvo::data {

// Booleans as Boolean, Byte and Integer as SmallInt, Long as Integer, Single
// and Double as Double, Currency as Decimal, Date as DateTime; every other
// kind (texts, Empty, Null) as Text.
contracts::ParamType ParamTypeOf(const rt::Variant& value);

}  // namespace korvo::data
