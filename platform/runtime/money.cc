#include "platform/runtime/money.h"

#include <cmath>

#include "platform/runtime/error.h"
#include "platform/runtime/rounding.h"

namespace korvo::rt {

Money MoneyFromDouble(double value) {
  // Scaled first, then rounded, so a raw result exactly halfway between two
  // ten-thousandths (0.03125) goes to the even one (0.0312).
  const double units = RoundHalfEven(value * static_cast<double>(Money::kScale));
  // 2^63 is exactly representable; the money range is [-2^63, 2^63).
  constexpr double kLimit = 9223372036854775808.0;
  if (!std::isfinite(units) || units < -kLimit || units >= kLimit) Raise(errnum::kOverflow);
  return Money::FromUnits(static_cast<std::int64_t>(units));
}

double MoneyToDouble(Money m) {
  return static_cast<double>(m.units) / static_cast<double>(Money::kScale);
}

}  // namespace korvo::rt
