// Test helper: the runtime error number a call raises.
#pragma once

#include <cstdint>

#include "platform/runtime/error.h"

namespace korvo::rt::testing {

// The number of the rt::Error that `call` raises, or 0 when it returns.
template <class Call>
std::int32_t RaisedNumber(Call&& call) {
  try {
    call();
  } catch (const Error& e) {
    return e.number();
  }
  return 0;
}

}  // namespace korvo::rt::testing
