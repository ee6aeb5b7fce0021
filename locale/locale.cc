#include "locale/locale.h"

#include <utility>
#include <vector>

#include "locale/enum_locales.h"

namespace korvo::common {

const host::DispatchTable& Locale::Dispatch() const {
  static const host::DispatchTable table = host::DispatchTable::For<Locale>()
                                               .Method("GetSystemLocaleIDs", &Locale::GetSystemLocaleIDs)
                                               .Method("GetCountryName", &Locale::GetCountryName)
                                               .Method("GetLanguageName", &Locale::GetLanguageName)
                                               .Method("GetCurrencySymbol", &Locale::GetCurrencySymbol)
                                               .Method("GetEuroSymbol", &Locale::GetEuroSymbol)
                                               .Method("GetCurrencyName", &Locale::GetCurrencyName)
                                               .Method("GetEuroName", &Locale::GetEuroName)
                                               .Method("IsEuroLocale", &Locale::IsEuroLocale)
                                               .Build();
  return table;
}

rt::Variant Locale::GetSystemLocaleIDs() {
  std::vector<rt::Variant> list;
  for (std::int32_t lcid : EnumerateSystemLocales()) list.emplace_back(lcid);
  return rt::Array(std::move(list));
}

std::string Locale::GetCountryName(std::int32_t i_lLocaleID) {
  return LocaleText(i_lLocaleID, LocaleInfo::EnglishCountry);
}

std::string Locale::GetLanguageName(std::int32_t i_lLocaleID) {
  return LocaleText(i_lLocaleID, LocaleInfo::EnglishLanguage);
}

std::string Locale::GetCurrencySymbol(std::int32_t i_lLocaleID) {
  if (IsEuroLocale(i_lLocaleID)) return GetEuroSymbol();
  return LocaleText(i_lLocaleID, LocaleInfo::CurrencySymbol);
}

// The euro sign U+20AC in UTF-8.
std::string Locale::GetEuroSymbol() { return "\xE2\x82\xAC"; }

std::string Locale::GetCurrencyName(std::int32_t i_lLocaleID) {
  if (IsEuroLocale(i_lLocaleID)) return GetEuroName();
  return LocaleText(i_lLocaleID, LocaleInfo::IsoCurrencyCode);
}

std::string Locale::GetEuroName() { return "EUR"; }

bool Locale::IsEuroLocale(std::int32_t i_lLocaleID) { return IsEuroLocaleID(i_lLocaleID); }

}  // namespace korvo::common
