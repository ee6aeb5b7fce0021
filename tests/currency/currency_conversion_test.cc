// Conversion of amounts: the worked examples, rounding, and every raise in
// its order.
#include "currency_fixture.h"
#include "platform/runtime/conversions.h"

namespace korvo::common::testing {
namespace {

class CurrencyConversionTest : public CurrencyTest {
 protected:
  rt::Money Convert(std::string from, std::string to, double amount, rt::Date date = Day(2024, 3, 7)) {
    rt::Money money = Amount(amount);
    return currency_->ConvertAmount(from, to, money, date);
  }

  std::int32_t ConvertError(const std::string& from, const std::string& to) {
    return ErrorOf([&] { Convert(from, to, 100); }).Number;
  }

  std::shared_ptr<Currency> currency_ = NewCurrency();
};

TEST_F(CurrencyConversionTest, WorkedExamplesAgreeToTheLastTenThousandth) {
  AddEuroEra();
  EXPECT_EQ(Convert("NLG", "DEM", 100), rt::Money::FromUnits(887517));
  EXPECT_EQ(Convert("NLG", "EUR", 100), rt::Money::FromUnits(453780));
  EXPECT_EQ(Convert("NLG", "JPY", 10), rt::Money::FromUnits(13000000));
  EXPECT_EQ(Convert("JPY", "NLG", 1300), rt::Money::FromUnits(100000));
  EXPECT_EQ(rt::CStr(currency_->CurrencyCode()), "NLG");  // the target's properties
}

TEST_F(CurrencyConversionTest, HalfwayResultsRoundToEven) {
  AddCurrencyRow("GBP", true, false, false);
  AddCurrencyRow("USD", false, false, false);
  AddRateRow("GBP", "2000-01-01", "NULL", "1", "0");
  AddRateRow("USD", "2000-01-01", "NULL", "0.125", "0");
  EXPECT_EQ(Convert("GBP", "USD", 0.25), rt::Money::FromUnits(312));  // 0.03125
  EXPECT_EQ(Convert("GBP", "USD", 0.75), rt::Money::FromUnits(938));  // 0.09375
}

TEST_F(CurrencyConversionTest, EqualCodesReturnTheAmountUntouched) {
  EXPECT_EQ(Convert("XYZ", "XYZ", 12.3456), Amount(12.3456));  // no database, no home currency
  EXPECT_TRUE(currency_->CurrencyCode().IsEmpty());
  EXPECT_TRUE(Logged().empty());
  // Codes differing in case are different codes here.
  EXPECT_EQ(ConvertError("xyz", "XYZ"), CurrencyNotFound);
}

TEST_F(CurrencyConversionTest, MissingHomeCurrencyIsReportedByName) {
  const rt::ErrorRecord error = ErrorOf([&] { Convert("EUR", "USD", 1); });
  EXPECT_EQ(error.Number, CurrencyNotFound);
  EXPECT_EQ(error.Description,
            Enriched("CurrencyNotFound", CurrencyNotFound, "KorvoCommon.Currency.ConvertAmount"));
  EXPECT_EQ(LoggedMethods(), std::vector<std::string>{"KorvoCommon.Currency.ConvertAmount"});
}

TEST_F(CurrencyConversionTest, MissingRatesRaiseInTheOrderMet) {
  AddEuroEra();
  AddCurrencyRow("USD", false, false, false);
  EXPECT_EQ(ConvertError("NLG", "USD"), CurrencyRateNotFound);
  EXPECT_EQ(LoggedMethods(), (std::vector<std::string>{"KorvoCommon.Currency.GetCurrencyRate",
                                                       "KorvoCommon.Currency.ConvertAmount"}));

  AddRateRow("USD", "2000-01-01", "NULL", "0", "0");
  EXPECT_EQ(ConvertError("USD", "NLG"), HomeRateNotDefined);
  EXPECT_EQ(ConvertError("NLG", "USD"), HomeRateNotDefined);

  Execute("UPDATE CURRENCYRATE SET EUROSALESRATE=NULL WHERE CURRENCYCODE='DEM'");
  EXPECT_EQ(ConvertError("DEM", "NLG"), EuroRateNotDefined);
  EXPECT_EQ(ConvertError("NLG", "DEM"), EuroRateNotDefined);

  // The home currency's missing euro rate is met before the target's.
  Execute("UPDATE CURRENCYRATE SET EUROSALESRATE=0 WHERE CURRENCYCODE='NLG'");
  EXPECT_EQ(ConvertError("NLG", "DEM"), EuroRateNotDefinedForHomeCurrency);
  EXPECT_EQ(ConvertError("DEM", "NLG"), EuroRateNotDefined);

  // Without the home currency's own rate nothing converts.
  Execute("DELETE FROM CURRENCYRATE WHERE CURRENCYCODE='NLG'");
  EXPECT_EQ(ConvertError("EUR", "NLG"), CurrencyRateNotFound);
}

TEST_F(CurrencyConversionTest, EuroHomeCurrencyNeedsNoRateRow) {
  AddCurrencyRow("EUR", true, true, true);
  AddCurrencyRow("DEM", false, false, true);
  AddRateRow("DEM", "2000-01-01", "NULL", "NULL", "1.95583");
  EXPECT_EQ(Convert("EUR", "DEM", 100), rt::Money::FromUnits(1955830));
  EXPECT_EQ(Convert("DEM", "EUR", 195.583), rt::Money::FromUnits(1000000));
}

TEST_F(CurrencyConversionTest, ResultsBeyondTheMoneyRangeOverflow) {
  AddEuroEra();
  // A rate the column (DECIMAL(19,6)) holds that still overflows the money type.
  Execute("UPDATE CURRENCYRATE SET HOMESALESRATE=1E12 WHERE CURRENCYCODE='JPY'");
  EXPECT_EQ(ErrorOf([&] { Convert("NLG", "JPY", 900000000); }).Number, rt::errnum::kOverflow);
}

TEST_F(CurrencyConversionTest, ConvertToUsesTheSourceOnlyForParticipatingTargets) {
  AddEuroEra();
  rt::DictionaryRef source;  // ignored for a target that does not participate
  rt::Variant target("JPY");
  rt::Money price = Amount(10), discount = Amount(1);
  rt::Date date = Day(2024, 3, 7);
  rt::DictionaryRef prices = currency_->ConvertTo(source, target, price, discount, date);
  EXPECT_EQ(infra::ValueOf(*prices, "PRICE").AsMoney(), Amount(1300));
  EXPECT_EQ(infra::ValueOf(*prices, "DISCOUNTAMOUNT").AsMoney(), Amount(130));

  source = currency_->GetHomeCurrency();
  target = rt::Variant("DEM");
  price = Amount(100);
  prices = currency_->ConvertTo(source, target, price, discount, date);
  EXPECT_EQ(infra::ValueOf(*prices, "PRICE").AsMoney(), rt::Money::FromUnits(887517));

  source = currency_->GetEuroCurrency();
  prices = currency_->ConvertTo(source, target, price, discount, date);
  EXPECT_EQ(infra::ValueOf(*prices, "PRICE").AsMoney(), rt::Money::FromUnits(1955830));
}

TEST_F(CurrencyConversionTest, CanConvertToHomeCurrencyNeverRaises) {
  AddEuroEra();
  AddCurrencyRow("USD", false, false, false);
  EXPECT_TRUE(currency_->CanConvertToHomeCurrency("JPY", Day(2024, 1, 1)));
  EXPECT_TRUE(currency_->CanConvertToHomeCurrency("NLG", Day(2024, 1, 1)));
  EXPECT_FALSE(currency_->CanConvertToHomeCurrency("USD", Day(2024, 1, 1)));
  EXPECT_FALSE(NewCurrency()->CanConvertToHomeCurrency("JPY", Day(1990, 1, 1)));
}

}  // namespace
}  // namespace korvo::common::testing
