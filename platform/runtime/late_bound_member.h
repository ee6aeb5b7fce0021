// Late-bound members of the runtime's own objects: a name, the argument
// counts it takes and the call. Thread-safe: pure functions.
#pragma once

#include <cstddef>
#include <span>
#include <string_view>

#include "platform/runtime/conversions.h"
#include "platform/runtime/error.h"
#include "platform/runtime/variant.h"

namespace korvo::rt {

// Checks a late-bound call's arguments: raises 450 "Wrong number of
// arguments or invalid property assignment" for more than `most` arguments
// and 449 "Argument not optional" when one of the first `required` is absent
// or Missing.
void CheckArguments(std::span<const Variant> args, std::size_t required, std::size_t most);

// The argument at `index`, or nullptr when it is absent or Missing.
const Variant* OptionalArgument(std::span<const Variant> args, std::size_t index);

// One member of an object's late-bound interface. `call` runs after the
// argument counts are checked.
template <class T>
struct LateBoundMember {
  std::string_view name;
  std::size_t required;
  std::size_t most;
  Variant (*call)(T& self, std::span<Variant> args);
};

// Calls the member named `name` (case-insensitively); raises 438 when there
// is none.
template <class T>
Variant InvokeMember(T& self, std::span<const LateBoundMember<T>> members, std::string_view name,
                     std::span<Variant> args) {
  for (const LateBoundMember<T>& m : members) {
    if (!TextEqualsNoCase(m.name, name)) continue;
    CheckArguments(args, m.required, m.most);
    return m.call(self, args);
  }
  Raise(errnum::kNotSupported);
}

}  // namespace korvo::rt
