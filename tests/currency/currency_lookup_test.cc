// Currency records, memos, lists and the retired writers.
#include "currency_fixture.h"
#include "platform/runtime/conversions.h"

namespace korvo::common::testing {
namespace {

using CurrencyLookupTest = CurrencyTest;

TEST_F(CurrencyLookupTest, GetCurrencyLoadsPropertiesKeepingTheCodeAsPassed) {
  AddEuroEra();
  auto currency = NewCurrency();
  rt::Variant code("nlg");  // codes compare without regard to case in the database
  EXPECT_TRUE(currency->GetCurrency(code));
  EXPECT_EQ(rt::CStr(currency->CurrencyCode()), "nlg");
  EXPECT_EQ(rt::CStr(currency->CurrencyName()), "Name of NLG");
  EXPECT_EQ(currency->HomeCurrency().Type(), rt::VarType::Boolean);
  EXPECT_TRUE(currency->HomeCurrency().AsBool());
  EXPECT_TRUE(currency->EPC().AsBool());
  EXPECT_FALSE(currency->EuroCurrency().AsBool());
  EXPECT_EQ(currency->Decimals().Type(), rt::VarType::Integer);
  EXPECT_TRUE(currency->LocaleID().IsNull());
}

TEST_F(CurrencyLookupTest, MissingCodeIsRaisedUnloggedAndUnknownCodeLogged) {
  AddEuroEra();
  auto currency = NewCurrency();
  currency->SetCurrencyName(rt::Variant("kept"));

  rt::Variant missing = rt::Variant::Null();
  rt::ErrorRecord error = ErrorOf([&] { currency->GetCurrency(missing); });
  EXPECT_EQ(error.Number, MissingCurrencyCode);
  EXPECT_EQ(error.Description, "MissingCurrencyCode");
  EXPECT_TRUE(Logged().empty());

  rt::Variant unknown("XYZ");
  error = ErrorOf([&] { currency->GetCurrency(unknown); });
  EXPECT_EQ(error.Number, CurrencyNotFound);
  EXPECT_EQ(error.Description, EnrichedWithConnection("Currency 'XYZ' not found", CurrencyNotFound,
                                                      "KorvoCommon.Currency.GetCurrency"));
  const auto entries = Logged();
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0].kind, 0);
  EXPECT_EQ(entries[0].text, Enriched(error.Description, CurrencyNotFound,
                                      "KorvoCommon.Currency.GetCurrency", rt::Variant("")));
  EXPECT_EQ(rt::CStr(currency->CurrencyName()), "kept");
}

TEST_F(CurrencyLookupTest, HomeMemoIsReadOnceAndCanBeReplaced) {
  AddEuroEra();
  auto currency = NewCurrency();
  rt::DictionaryRef home = currency->GetHomeCurrency();
  ASSERT_TRUE(home);
  EXPECT_EQ(rt::CStr(infra::ValueOf(*home, "CURRENCYCODE")), "NLG");
  EXPECT_TRUE(infra::ValueOf(*home, "EPC").AsBool());
  EXPECT_TRUE(infra::ValueOf(*home, "LOCALEID").IsNull());

  Execute("UPDATE CURRENCY SET HOMECURRENCY=0");
  EXPECT_EQ(currency->GetHomeCurrency(), home);         // the memo, not the table
  EXPECT_EQ(NewCurrency()->GetHomeCurrencyCode(), "");  // a new object reads again

  auto replacement = rt::Dictionary::Create();
  replacement->Add("CURRENCYCODE", rt::Variant("DEM"));
  currency->SetHomeCurrencyObject(replacement);
  EXPECT_EQ(currency->GetHomeCurrency(), replacement);
  EXPECT_EQ(currency->GetHomeCurrencyCode(), "DEM");
}

TEST_F(CurrencyLookupTest, CodeLookupsAnswerEmptyWithoutRaisingOrLogging) {
  auto currency = NewCurrency();
  EXPECT_EQ(currency->GetHomeCurrencyCode(), "");
  EXPECT_EQ(currency->GetEuroCurrencyCode(), "");
  EXPECT_TRUE(Logged().empty());

  korvex::ConfigurationOverrides::Set("CONNECTIONS", "KorvoCommonConnection_ConnectionString",
                                      "Driver=Nowhere;Database=x");
  infra::ResetConnectionStringCache();
  EXPECT_EQ(NewCurrency()->GetHomeCurrencyCode(), "");
  EXPECT_EQ(rt::CStr(currency->GetError()), "");
}

TEST_F(CurrencyLookupTest, DisplayDictionaryShowsFlagsAsTexts) {
  AddEuroEra();
  auto currency = NewCurrency();
  rt::Variant code("EUR");
  rt::DictionaryRef display = currency->GetCurrencyAsDict(code);
  EXPECT_EQ(infra::ValueOf(*display, "EURO").AsString(), "True");
  EXPECT_EQ(infra::ValueOf(*display, "HOMECURRENCY").AsString(), "False");
  EXPECT_EQ(infra::ValueOf(*display, "DECIMALS").AsString(), "2");
  EXPECT_EQ(infra::ValueOf(*display, "CURRENCYNAME").AsString(), "Name of EUR  ");

  rt::Variant unknown("O'X");
  const rt::ErrorRecord error = ErrorOf([&] { currency->GetCurrencyAsDict(unknown); });
  EXPECT_EQ(error.Number, CurrencyNotFound);
  EXPECT_EQ(error.Source, "KorvoCommon.Currency.GetCurrencyAsDict");
  EXPECT_EQ(error.Description, "Currency O'X not found");
  EXPECT_TRUE(Logged().empty());
}

TEST_F(CurrencyLookupTest, ListsReportFailuresUnderTheirOwnNumbers) {
  auto currency = NewCurrency();
  rt::DictionaryRef codes = currency->GetCurrenciesInDictionary();
  ASSERT_TRUE(codes);
  EXPECT_EQ(codes->Count(), 0);

  AddEuroEra();
  EXPECT_EQ(currency->GetCurrenciesInDictionary()->Count(), 4);
  EXPECT_EQ(currency->GetCurrencies()->RecordCount(), 4);

  Execute("DROP TABLE CURRENCY");
  const rt::ErrorRecord error = ErrorOf([&] { currency->GetCurrenciesInDictionary(); });
  EXPECT_EQ(error.Number, UnexpectedGetCurrency);
  const auto methods = LoggedMethods();
  ASSERT_FALSE(methods.empty());
  EXPECT_EQ(methods.back(), " / KorvoCommon.Currency.GetCurrenciesInDictionary");
}

TEST_F(CurrencyLookupTest, RetiredWritersFailNamingTheirReplacement) {
  AddEuroEra();
  auto currency = NewCurrency();
  const rt::ErrorRecord error = ErrorOf([&] { currency->AddCurrency(); });
  EXPECT_EQ(error.Number, -1);
  EXPECT_NE(error.Description.find(
                " METHOD: This method is depricated, Use KorvoCommon.TCurrency.AddCurrency Method"),
            std::string::npos);
  EXPECT_EQ(Logged().size(), 1u);

  rt::Variant data(rt::Dictionary::Create());
  EXPECT_EQ(ErrorOf([&] { currency->BusinessRules_Insert(data); }).Number, -1);
  rt::Variant code("EUR"), day(Day(2020, 1, 1));
  EXPECT_EQ(ErrorOf([&] { currency->DeleteCurrencyRate(code, day); }).Number, -1);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCYRATE"), 3);
}

TEST_F(CurrencyLookupTest, ObjectControlNeverPools) {
  EXPECT_FALSE(NewCurrency()->ObjectControl_CanBePooled());
}

}  // namespace
}  // namespace korvo::common::testing
