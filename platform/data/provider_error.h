// Turning a driver's failure into the error the database contract promises:
// 0x80040E14 for a statement the database rejects as malformed, 0x80040E2F
// for a constraint violation, 0x80004005 for anything else; the description
// is the provider's own text and the source names the provider.
#pragma once

#include <cstdint>
#include <utility>

#include "platform/contracts/database.h"
#include "platform/data/driver.h"
#include "platform/runtime/error.h"

namespace korvo::data {

std::int32_t ErrorNumberFor(FailureKind kind);

inline rt::ErrorRecord ToErrorRecord(const DriverError& e) {
  return rt::ErrorRecord{ErrorNumberFor(e.kind()), e.source(), e.what(), {}, 0};
}

// Runs fn, raising a DriverError it throws as the mapped rt::Error.
template <class Fn>
decltype(auto) RunMapped(Fn&& fn) {
  try {
    return std::forward<Fn>(fn)();
  } catch (const DriverError& e) {
    rt::RaiseRecord(ToErrorRecord(e));
  }
}

}  // namespace korvo::data
