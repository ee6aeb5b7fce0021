// Rates valid on a date, their validity tests and the code lists.
#include "currency_fixture.h"
#include "platform/runtime/conversions.h"

namespace korvo::common::testing {
namespace {

class CurrencyRatesTest : public CurrencyTest {
 protected:
  rt::DictionaryRef RateOn(const std::string& code, rt::Date date) {
    rt::Variant codeValue(code);
    return currency_->GetCurrencyRate(codeValue, date);
  }

  std::shared_ptr<Currency> currency_ = NewCurrency();
};

TEST_F(CurrencyRatesTest, ValidFromEffectiveDateUntilExpiryDateExclusive) {
  AddEuroEra();
  AddRateRow("USD", "2024-01-01", "'2024-02-01 12:00:00'", "1.1", "0");
  AddRateRow("USD", "2024-02-01 12:00:00", "NULL", "1.2", "0");

  EXPECT_EQ(rt::CDbl(infra::ValueOf(*RateOn("USD", Day(2024, 1, 1)), "HOMESALESRATE")), 1.1);
  EXPECT_EQ(rt::CDbl(infra::ValueOf(*RateOn("USD", Day(2024, 2, 1, 11)), "HOMESALESRATE")), 1.1);
  EXPECT_EQ(rt::CDbl(infra::ValueOf(*RateOn("USD", Day(2024, 2, 1, 12)), "HOMESALESRATE")), 1.2);
  EXPECT_EQ(rt::CDbl(infra::ValueOf(*RateOn("USD", Day(2090, 1, 1)), "HOMESALESRATE")), 1.2);

  const rt::ErrorRecord error = ErrorOf([&] { RateOn("USD", Day(2023, 12, 31)); });
  EXPECT_EQ(error.Number, -2147221377);
  EXPECT_EQ(error.Description, EnrichedWithConnection("CurrencyRateNotFound", CurrencyRateNotFound,
                                                      "KorvoCommon.Currency.GetCurrencyRate"));
  EXPECT_EQ(LoggedMethods(), std::vector<std::string>{"KorvoCommon.Currency.GetCurrencyRate"});
}

TEST_F(CurrencyRatesTest, NullRatesReadAsZeroOrAsNull) {
  AddEuroEra();
  rt::DictionaryRef valid = RateOn("DEM", Day(2024, 1, 1));
  EXPECT_EQ(infra::ValueOf(*valid, "HOMESALESRATE").Type(), rt::VarType::Integer);
  EXPECT_EQ(rt::CDbl(infra::ValueOf(*valid, "HOMESALESRATE")), 0);
  EXPECT_TRUE(infra::ValueOf(*valid, "EXPIRYDATE").IsNull());
  EXPECT_EQ(infra::ValueOf(*valid, "RATEFACTOR").Type(), rt::VarType::Long);

  rt::Variant code("DEM");
  rt::Date effective = Day(2000, 1, 1);
  rt::DictionaryRef specific = currency_->GetSpecificCurrencyRate(code, effective);
  EXPECT_TRUE(infra::ValueOf(*specific, "HOMESALESRATE").IsNull());
  EXPECT_EQ(infra::ValueOf(*specific, "EFFECTIVEDATE").AsDate(), effective);

  rt::Variant missing;
  EXPECT_EQ(ErrorOf([&] { currency_->GetSpecificCurrencyRate(missing, effective); }).Description,
            "MissingCurrencyCode");
  EXPECT_TRUE(Logged().empty());
  rt::Date day = Day(2024, 1, 1);
  EXPECT_EQ(ErrorOf([&] { currency_->GetCurrencyRate(missing, day); }).Number, MissingCurrencyCode);
  EXPECT_EQ(Logged().size(), 1u);
}

TEST_F(CurrencyRatesTest, ValidityNeedsAHomeCurrencyButNoRateForTheEuro) {
  AddCurrencyRow("EUR", false, true, true);
  AddCurrencyRow("USD", false, false, false);
  AddRateRow("USD", "2000-01-01", "NULL", "1.1", "0");
  EXPECT_FALSE(currency_->HasValidCurrencyRate("USD", Day(2024, 1, 1)));

  AddCurrencyRow("GBP", true, false, false);
  AddRateRow("GBP", "2000-01-01", "NULL", "1", "0");
  auto currency = NewCurrency();
  EXPECT_TRUE(currency->HasValidCurrencyRate("EUR", Day(2024, 1, 1)));
  EXPECT_TRUE(currency->HasValidCurrencyRate("USD", Day(2024, 1, 1)));
  EXPECT_FALSE(currency->HasValidCurrencyRate("USD", Day(1999, 1, 1)));
  EXPECT_FALSE(currency->HasValidCurrencyRate("XYZ", Day(2024, 1, 1)));
  // The home currency without a euro rate passes only when not strict.
  EXPECT_TRUE(currency->HasValidCurrencyRateEx("GBP", Day(2024, 1, 1), false));
  EXPECT_FALSE(currency->HasValidCurrencyRateEx("GBP", Day(2024, 1, 1), true));
}

TEST_F(CurrencyRatesTest, ParticipatingCurrenciesNeedBothEuroRates) {
  AddEuroEra();
  EXPECT_TRUE(currency_->HasValidCurrencyRateEx("DEM", Day(2024, 1, 1), true));
  EXPECT_TRUE(currency_->HasValidCurrencyRate("NLG", Day(2024, 1, 1)));
  Execute("UPDATE CURRENCYRATE SET EUROSALESRATE=0 WHERE CURRENCYCODE='DEM'");
  EXPECT_FALSE(currency_->HasValidCurrencyRate("DEM", Day(2024, 1, 1)));
}

TEST_F(CurrencyRatesTest, FutureOnlyRatesMakeRatesInvalid) {
  EXPECT_TRUE(currency_->AreCurrencyRatesValid(Day(2024, 1, 1)));  // no rates at all

  AddEuroEra();
  AddCurrencyRow("USD", false, false, false);
  AddCurrencyRow("CHF", false, false, false);  // no rate rows: in no list
  AddRateRow("USD", "2030-01-01", "NULL", "1.1", "0");
  auto currency = NewCurrency();
  const rt::Date day = Day(2024, 1, 1);

  const rt::DictionaryRef any = currency->GetCurrencyCodesHavingAnyCurrencyRate();
  EXPECT_EQ(any->Keys().items.size(), 4u);
  EXPECT_EQ(rt::CStr(any->Keys().items.front()), "DEM");  // ascending
  EXPECT_FALSE(any->Exists(rt::Variant("CHF")));

  const rt::DictionaryRef valid = currency->GetCurrencyCodesHavingValidCurrencyRate(day);
  EXPECT_EQ(valid->Count(), 3);
  EXPECT_FALSE(valid->Exists(rt::Variant("USD")));

  const rt::DictionaryRef invalid = currency->GetCurrencyCodesHavingNoValidCurrencyRate(day);
  ASSERT_EQ(invalid->Count(), 1);
  EXPECT_EQ(rt::CStr(infra::ValueOf(*invalid, "USD")), "USD");
  EXPECT_FALSE(currency->AreCurrencyRatesValid(day));
  EXPECT_TRUE(currency->AreCurrencyRatesValid(Day(2030, 1, 1)));
}

TEST_F(CurrencyRatesTest, ListsAnswerNothingWhenTheDatabaseFails) {
  Execute("DROP TABLE CURRENCYRATE");
  EXPECT_FALSE(currency_->GetCurrencyCodesHavingAnyCurrencyRate());
  EXPECT_FALSE(currency_->AreCurrencyRatesValid(Day(2024, 1, 1)));
}

}  // namespace
}  // namespace korvo::common::testing
