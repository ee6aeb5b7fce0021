// EnumLocales: the locale data behind the Locale class, read from ICU
// (International Components for Unicode, Debian's libicu) rather than from
// an operating-system locale service.
//
// Locales are named by Windows locale identifiers (LCIDs), the kind stored
// in CURRENCY.LOCALEID. ICU's own LCID table (uloc_getLocaleForLCID and
// uloc_getLCID) maps them to ICU locales; an identifier counts as known only
// when it maps to a locale that maps back to the same identifier, so ICU's
// nearest-language guesses for unknown identifiers are not passed off as
// answers. Names come from ICU's English display names, which differ from
// the Windows texts in a few places ("United States" matches; some
// countries are named differently).
//
// Every function here is thread-safe; none raises for an unknown or
// unsupported identifier.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace korvo::common {

// The locale texts the Locale class asks for.
enum class LocaleInfo {
  EnglishCountry,   // "France"
  EnglishLanguage,  // "French"
  CurrencySymbol,   // the locale's own symbol for its currency: "$", "£"
  IsoCurrencyCode,  // ISO 4217: "USD"
};

// The identifiers of the specific locales (a language in a country) ICU has
// data for, as their low 16 bits (language and sub-language), each once, in
// ascending order. Language-only locales and locales without a Windows
// identifier of their own are skipped. The list is collected in storage of
// the calling thread, emptied first, and a copy is returned.
std::vector<std::int32_t> EnumerateSystemLocales();

// One text of the locale, UTF-8 encoded; "" when the identifier is unknown
// or ICU has no such text for it.
std::string LocaleText(std::int32_t lcid, LocaleInfo info);

// True exactly for the 18 identifiers of the locales whose currency the
// library treats as the euro (the national currencies the euro replaced).
// Identifiers carrying a sort part are not among them.
bool IsEuroLocaleID(std::int32_t lcid);

}  // namespace korvo::common
