#include "platform/runtime/late_bound_member.h"

#include "platform/runtime/error.h"

namespace korvo::rt {

void CheckArguments(std::span<const Variant> args, std::size_t required, std::size_t most) {
  if (args.size() > most) Raise(errnum::kWrongArgumentCount);
  for (std::size_t i = 0; i < required; ++i) {
    if (!OptionalArgument(args, i)) Raise(errnum::kArgumentNotOptional);
  }
}

const Variant* OptionalArgument(std::span<const Variant> args, std::size_t index) {
  if (index >= args.size() || args[index].IsMissing()) return nullptr;
  return &args[index];
}

}  // namespace korvo::rt
