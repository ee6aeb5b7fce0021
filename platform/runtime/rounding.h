// Rounding shared by the runtime's conversions.
// Thread-safe: pure functions.
#pragma once

namespace korvo::rt {

// Rounds to the nearest integer, halves to the even neighbour (2.5 -> 2,
// 3.5 -> 4, -2.5 -> -2), independently of the floating-point rounding mode.
// Non-finite values come back unchanged.
double RoundHalfEven(double value);

}  // namespace korvo::rt
