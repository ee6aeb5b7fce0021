// Money: the runtime's fixed-point currency kind.
//
// A signed 64-bit count of ten-thousandths, so 88.7517 is stored as 887517.
// Plain value type; thread-compatible.
#pragma once

#include <compare>
#include <cstdint>

namespace korvo::rt {

struct Money {
  static constexpr std::int64_t kScale = 10000;
  std::int64_t units = 0;  // ten-thousandths

  static constexpr Money FromUnits(std::int64_t u) { return Money{u}; }
  friend constexpr auto operator<=>(const Money&, const Money&) = default;
};

// Rounds a double to the money type: four decimals, ties to even.
// Raises Overflow (6) when the value lies outside the money range or is not finite.
Money MoneyFromDouble(double value);

// The exact value as a double (may lose precision beyond 2^53 units).
double MoneyToDouble(Money m);

}  // namespace korvo::rt
