// The values a currency and a rate are made of, as the currency classes hold
// them between a caller's arguments and the database, and the small readings
// of loosely typed values every currency operation shares.
//
// Module-internal. Plain values; thread-compatible.
#pragma once

#include <string>

#include "platform/runtime/dictionary.h"
#include "platform/runtime/variant.h"

namespace korvo::common {

// One row of CURRENCY as Variants: what a Currency object's properties hold
// and what TCurrency checks before writing.
struct CurrencyValues {
  rt::Variant code;
  rt::Variant name;
  rt::Variant home;
  rt::Variant euro;
  rt::Variant epc;
  rt::Variant decimals;
  rt::Variant localeId;
};

// One row of CURRENCYRATE as Variants, plus the euro-participation flag of
// its currency that the rate checks depend on (it is not a rate column).
struct RateValues {
  rt::Variant code;
  rt::Variant effective;
  rt::Variant expiry;
  rt::Variant homeRate;
  rt::Variant euroRate;
  rt::Variant factor;
  rt::Variant epc;
};

}  // namespace korvo::common
