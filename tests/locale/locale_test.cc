// Locale answers from the installed ICU data, for the identifiers callers
// store in CURRENCY.LOCALEID.
#include "locale/locale.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <future>
#include <vector>

#include "locale/register.h"
#include "platform/host/registry.h"
#include "platform/runtime/conversions.h"

namespace korvo::common {
namespace {

constexpr const char* kEuroSign = "\xE2\x82\xAC";

TEST(LocaleCurrency, EuroLocalesAnswerTheEuroWhateverTheData) {
  Locale locale;
  for (std::int32_t lcid : {1027, 1031, 1032, 1034, 1035, 1036, 1040, 1043, 1069, 2060, 2067, 2070, 2077,
                            3079, 3082, 4103, 5132, 6153}) {
    EXPECT_TRUE(locale.IsEuroLocale(lcid)) << lcid;
    EXPECT_EQ(locale.GetCurrencyName(lcid), "EUR") << lcid;
    EXPECT_EQ(locale.GetCurrencySymbol(lcid), kEuroSign) << lcid;
  }
  EXPECT_EQ(locale.GetEuroSymbol(), kEuroSign);
  EXPECT_EQ(locale.GetEuroName(), "EUR");
}

TEST(LocaleCurrency, OtherLocalesAnswerFromTheLocaleData) {
  Locale locale;
  EXPECT_EQ(locale.GetCurrencyName(1033), "USD");
  EXPECT_EQ(locale.GetCurrencySymbol(1033), "$");
  EXPECT_EQ(locale.GetCountryName(1033), "United States");
  EXPECT_FALSE(locale.IsEuroLocale(2057));
  EXPECT_EQ(locale.GetCurrencyName(2057), "GBP");
  EXPECT_EQ(locale.GetCurrencySymbol(2057), "\xC2\xA3");  // pound sign
  EXPECT_EQ(locale.GetCountryName(1036), "France");
  EXPECT_EQ(locale.GetLanguageName(1036), "French");
  EXPECT_EQ(locale.GetCountryName(6153), "Ireland");
}

TEST(LocaleCurrency, OnlyTheExactIdentifiersAreEuroLocales) {
  Locale locale;
  // German (Germany) with the phone-book sort: a known locale, not in the set.
  EXPECT_FALSE(locale.IsEuroLocale(66567));
  EXPECT_EQ(locale.GetCountryName(66567), "Germany");
  EXPECT_FALSE(locale.IsEuroLocale(1031 + 0x10000 * 2));
  EXPECT_FALSE(locale.IsEuroLocale(0));
}

TEST(LocaleCurrency, UnknownIdentifiersAnswerEmptyWithoutError) {
  Locale locale;
  // 12345 shares its low byte with Hindi; the locale data would guess "hi".
  for (std::int32_t lcid : {12345, 0x7FFF, 0, -1}) {
    EXPECT_EQ(locale.GetCountryName(lcid), "") << lcid;
    EXPECT_EQ(locale.GetLanguageName(lcid), "") << lcid;
    EXPECT_EQ(locale.GetCurrencySymbol(lcid), "") << lcid;
    EXPECT_EQ(locale.GetCurrencyName(lcid), "") << lcid;
    EXPECT_FALSE(locale.IsEuroLocale(lcid)) << lcid;
  }
}

std::vector<std::int32_t> Identifiers(const rt::Variant& list) {
  std::vector<std::int32_t> ids;
  for (const auto& item : list.AsArray().items) ids.push_back(item.AsLong());
  return ids;
}

TEST(LocaleEnumeration, KnownLocalesAsSixteenBitLongsListEmptiedFirst) {
  Locale locale;
  const rt::Variant first = locale.GetSystemLocaleIDs();
  ASSERT_TRUE(first.IsArray());
  EXPECT_EQ(first.AsArray().LBound(), 0);
  const std::vector<std::int32_t> ids = Identifiers(first);
  EXPECT_EQ(ids, Identifiers(locale.GetSystemLocaleIDs()));
  EXPECT_TRUE(std::ranges::all_of(ids, [](std::int32_t id) { return id > 0 && id <= 0xFFFF; }));
  EXPECT_NE(std::ranges::find(ids, 1033), ids.end());
  EXPECT_NE(std::ranges::find(ids, 1036), ids.end());
}

// A locale picker built from the list gets each locale once, each with its
// country: no bare languages ("English" alone), no repeats.
TEST(LocaleEnumeration, EachSpecificLocaleOnceInAscendingOrder) {
  Locale locale;
  const std::vector<std::int32_t> ids = Identifiers(locale.GetSystemLocaleIDs());
  EXPECT_GT(ids.size(), 100u);
  EXPECT_TRUE(std::ranges::is_sorted(ids));
  EXPECT_EQ(std::ranges::adjacent_find(ids), ids.end());
  EXPECT_EQ(std::ranges::count(ids, 1033), 1);
  for (std::int32_t languageOnly : {9, 7, 12})
    EXPECT_EQ(std::ranges::count(ids, languageOnly), 0) << languageOnly;
  for (std::int32_t id : ids) {
    EXPECT_NE(locale.GetCountryName(id), "") << id;
    EXPECT_NE(locale.GetLanguageName(id), "") << id;
  }
}

TEST(LocaleEnumeration, ThreadsEnumerateIntoTheirOwnLists) {
  const auto expected = Identifiers(Locale().GetSystemLocaleIDs());
  auto enumerate = [] { return Identifiers(Locale().GetSystemLocaleIDs()); };
  auto a = std::async(std::launch::async, enumerate);
  auto b = std::async(std::launch::async, enumerate);
  EXPECT_EQ(a.get(), expected);
  EXPECT_EQ(b.get(), expected);
}

TEST(LocaleByName, CallableThroughItsClassName) {
  RegisterLocaleClasses();
  rt::ObjectRef locale = host::CreateObject("KorvoCommon.Locale");
  std::vector<rt::Variant> args{rt::Variant(std::int16_t{1036})};
  EXPECT_EQ(rt::CStr(locale->Invoke("GetCurrencyName", rt::InvokeKind::Method, args)), "EUR");
  std::vector<rt::Variant> none;
  EXPECT_TRUE(locale->Invoke("GetSystemLocaleIDs", rt::InvokeKind::Method, none).IsArray());
  EXPECT_EQ(host::Registry::Global().Find("KorvoCommon.Locale")->transaction,
            host::TransactionAttribute::None);
}

}  // namespace
}  // namespace korvo::common
