// StatementFault: makes the Nth statement from now fail with a chosen error,
// so tests can prove that a write interrupted half-way leaves nothing behind.
//
//   data::StatementFault fault(2, dberr::kProvider, "disk full");  // 2nd statement fails
//
// The failing statement does not run; it raises rt::Error with the number and
// description given (and lands in the connection's Errors()). The fault fires
// once. Process-wide and thread-safe: statements of every thread count. With
// no fault armed the check costs one relaxed atomic load per statement.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "platform/runtime/error.h"

namespace korvo::data {

class StatementFault {
 public:
  // Arms the fault (replacing one already armed); nth >= 1 counts the
  // statements issued from now on, 1 being the next.
  StatementFault(int nth, std::int32_t number, std::string description);
  // Disarms it if it has not fired.
  ~StatementFault() { Clear(); }
  StatementFault(const StatementFault&) = delete;
  StatementFault& operator=(const StatementFault&) = delete;

  // Disarms any armed fault.
  static void Clear();
  // Called by the data layer for every statement: the error to raise instead
  // of running it, or nullopt.
  static std::optional<rt::ErrorRecord> Next();
};

}  // namespace korvo::data
