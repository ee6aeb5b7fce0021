#include "locale/enum_locales.h"

#include <unicode/ucurr.h>
#include <unicode/uloc.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <array>
#include <optional>
#include <set>

namespace korvo::common {

namespace {

// Catalan, German, Greek, Spanish (traditional sort), Finnish, French,
// Italian, Dutch, Basque, French (Belgium), Dutch (Belgium), Portuguese,
// Swedish (Finland), German (Austria), Spanish (modern sort), German and
// French (Luxembourg), English (Ireland). Sorted for the binary search.
constexpr std::array<std::int32_t, 18> kEuroLocales{
    0x0403, 0x0407, 0x0408, 0x040A, 0x040B, 0x040C, 0x0410, 0x0413, 0x042D,
    0x080C, 0x0813, 0x0816, 0x081D, 0x0C07, 0x0C0A, 0x1007, 0x140C, 0x1809,
};
static_assert(std::ranges::is_sorted(kEuroLocales));

// Language and sub-language; the sort part above them is dropped.
constexpr std::uint32_t kLanguageBits = 0xFFFF;

// Large enough for every text a locale has; a longer one answers "".
constexpr std::int32_t kTextCapacity = 256;

thread_local std::vector<std::int32_t> t_locales;

// The ICU locale of a Windows identifier, when ICU knows that very
// identifier. ICU answers unknown identifiers with its nearest guess (the
// bare language, or the root locale); the round trip rejects those.
std::optional<std::string> IcuLocaleOf(std::int32_t lcid) {
  const auto id = static_cast<std::uint32_t>(lcid);
  if (id == 0) return std::nullopt;
  std::array<char, ULOC_FULLNAME_CAPACITY> name{};
  UErrorCode status = U_ZERO_ERROR;
  const std::int32_t length = uloc_getLocaleForLCID(id, name.data(), name.size(), &status);
  if (status != U_ZERO_ERROR || length <= 0) return std::nullopt;
  std::string locale(name.data(), static_cast<std::size_t>(length));
  if (uloc_getLCID(locale.c_str()) != id) return std::nullopt;
  return locale;
}

std::string Utf8(const UChar* text, std::int32_t length) {
  std::string out;
  icu::UnicodeString(text, length).toUTF8String(out);
  return out;
}

// uloc_getDisplayCountry and uloc_getDisplayLanguage, in English.
using DisplayFunction = std::int32_t (*)(const char*, const char*, UChar*, std::int32_t, UErrorCode*);

std::string EnglishName(DisplayFunction display, const std::string& locale) {
  std::array<UChar, kTextCapacity> text{};
  UErrorCode status = U_ZERO_ERROR;
  const std::int32_t length = display(locale.c_str(), "en", text.data(), text.size(), &status);
  if (U_FAILURE(status) || status == U_USING_DEFAULT_WARNING) return "";
  return Utf8(text.data(), length);
}

// The ISO 4217 code of the locale's currency, as ICU's UTF-16 text.
std::optional<std::array<UChar, 4>> CurrencyOf(const std::string& locale) {
  std::array<UChar, 4> code{};
  UErrorCode status = U_ZERO_ERROR;
  const std::int32_t length = ucurr_forLocale(locale.c_str(), code.data(), code.size(), &status);
  if (U_FAILURE(status) || length != 3) return std::nullopt;
  return code;
}

std::string IsoCurrencyCode(const std::string& locale) {
  const auto code = CurrencyOf(locale);
  return code ? Utf8(code->data(), 3) : "";
}

std::string CurrencySymbol(const std::string& locale) {
  const auto code = CurrencyOf(locale);
  if (!code) return "";
  UBool isChoiceFormat = false;
  std::int32_t length = 0;
  UErrorCode status = U_ZERO_ERROR;
  const UChar* symbol =
      ucurr_getName(code->data(), locale.c_str(), UCURR_SYMBOL_NAME, &isChoiceFormat, &length, &status);
  if (U_FAILURE(status) || symbol == nullptr) return "";
  return Utf8(symbol, length);
}

// A locale of a language in a country with an identifier of its own: the
// identifier leads back to it and it names its country. Language-only
// identifiers (9, English) and ICU's guesses are no such locale.
bool IsSpecificLocale(std::uint32_t lcid) {
  const auto locale = IcuLocaleOf(static_cast<std::int32_t>(lcid));
  if (!locale) return false;
  std::array<char, ULOC_COUNTRY_CAPACITY> country{};
  UErrorCode status = U_ZERO_ERROR;
  const std::int32_t length = uloc_getCountry(locale->c_str(), country.data(), country.size(), &status);
  return U_SUCCESS(status) && length > 0 && !EnglishName(uloc_getDisplayCountry, *locale).empty();
}

}  // namespace

std::vector<std::int32_t> EnumerateSystemLocales() {
  // Every identifier once, in ascending order: ICU lists many locales per
  // identifier (the bare language, scripts, regions it maps to a neighbour).
  std::set<std::int32_t> specific;
  const std::int32_t count = uloc_countAvailable();
  for (std::int32_t i = 0; i < count; ++i) {
    const std::uint32_t lcid = uloc_getLCID(uloc_getAvailable(i));
    if (IsSpecificLocale(lcid)) specific.insert(static_cast<std::int32_t>(lcid & kLanguageBits));
  }
  t_locales.assign(specific.begin(), specific.end());
  return t_locales;
}

std::string LocaleText(std::int32_t lcid, LocaleInfo info) {
  const auto locale = IcuLocaleOf(lcid);
  if (!locale) return "";
  switch (info) {
    case LocaleInfo::EnglishCountry:
      return EnglishName(uloc_getDisplayCountry, *locale);
    case LocaleInfo::EnglishLanguage:
      return EnglishName(uloc_getDisplayLanguage, *locale);
    case LocaleInfo::CurrencySymbol:
      return CurrencySymbol(*locale);
    case LocaleInfo::IsoCurrencyCode:
      return IsoCurrencyCode(*locale);
  }
  return "";
}

bool IsEuroLocaleID(std::int32_t lcid) { return std::ranges::binary_search(kEuroLocales, lcid); }

}  // namespace korvo::common
