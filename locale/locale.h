// Locale: answers questions about locales named by Windows locale
// identifiers (LCIDs, the kind stored in CURRENCY.LOCALEID): which locales
// the system knows, and a locale's English country and language names, its
// currency symbol and ISO currency code. The answers come from ICU's locale
// data (see locale/enum_locales.h).
//
// For the 18 euro-area locales the currency answers are the euro's, whatever
// the locale data says. Unknown identifiers answer "" (IsEuroLocale: false);
// nothing here raises for them. The class keeps no state and touches no
// database. A plain component (no transaction attribute); single-threaded
// like every component, and enumerations on different threads do not mix.
#pragma once

#include <cstdint>
#include <string>

#include "platform/host/component.h"
#include "platform/runtime/variant.h"

namespace korvo::common {

class Locale final : public host::Component {
 public:
  std::string TypeName() const override { return "Locale"; }
  const host::DispatchTable& Dispatch() const override;

  // Every known locale's identifier (low 16 bits only, so sort variants
  // repeat) as a zero-based array of Longs, in enumeration order.
  rt::Variant GetSystemLocaleIDs();

  std::string GetCountryName(std::int32_t i_lLocaleID);   // "France"
  std::string GetLanguageName(std::int32_t i_lLocaleID);  // "French"
  // The euro sign for a euro locale, else the locale's currency symbol.
  std::string GetCurrencySymbol(std::int32_t i_lLocaleID);
  // The euro sign U+20AC, UTF-8 encoded.
  std::string GetEuroSymbol();
  // "EUR" for a euro locale, else the locale's ISO 4217 currency code.
  std::string GetCurrencyName(std::int32_t i_lLocaleID);
  // "EUR".
  std::string GetEuroName();
  bool IsEuroLocale(std::int32_t i_lLocaleID);
};

}  // namespace korvo::common
