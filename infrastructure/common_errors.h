// The error numbers the library raises itself: the component error base,
// and the public enumeration of the currency and business-partner classes'
// errors, which both subsystems raise.
//
// Values are fixed by callers that test them; never renumber them.
#pragma once

#include <cstdint>

namespace korvo::common {

// Every number the library raises itself is this base plus an offset.
inline constexpr std::int32_t kComponentErrorBase = static_cast<std::int32_t>(0x80040000u);

// Error numbers of the currency and business-partner classes.
enum KorvoCommonError : std::int32_t {
  MissingCurrencyCode = kComponentErrorBase + 101,
  MissingCurrencyName,
  MissingHomeCurrency,
  MissingEuroCurrency,
  MissingEPC,
  MissingDecimals,
  MissingLocaleID,
  InvalidDecimals,
  InvalidLocaleID,
  DuplicateHomeCurrency,
  DuplicateEuroCurrency,
  MissingEffectiveDate,
  MissingRateFactor,
  InvalidEPCRate,
  InvalidNonEPCRate,
  CurrencyNotFound,
  UnexpectedGetHomeCurrency,
  UnexpectedGetEuroCurrency,
  UnexpectedGetCurrency,
  UnexpectedAddCurrency,
  UnexpectedUpdateCurrency,
  UnexpectedDeleteCurrency,
  UnexpectedGetCurrencyRate,
  UnexpectedAddCurrencyRate,
  UnexpectedUpdateCurrencyRate,
  UnexpectedDeleteCurrencyRate,
  CurrencyRateNotFound,
  ReferentialDelete,
  ReferentialInsert,
  InvalidEffectiveDate,
  InvalidExpiryDate,
  EffectiveDateRange,
  ExpiryDateRange,
  EuroRateNotDefined,
  EuroRateNotDefinedForHomeCurrency,
  BusinessPartnerNotFound,
  AddressNotFound,
  UnknownUserType,
  HomeRateNotDefined,
  UnexpectedGetCurrencyAsDict,
};
static_assert(UnexpectedGetCurrencyAsDict == -2147221364);

}  // namespace korvo::common
