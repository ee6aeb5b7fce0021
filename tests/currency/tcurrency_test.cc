// Typed maintenance: the currency and rate checks with their errors, the
// deletes, and which failures are logged.
#include "currency_fixture.h"
#include "platform/host/host_scope.h"
#include "platform/runtime/conversions.h"

namespace korvo::common::testing {
namespace {

class TCurrencyTest : public CurrencyTest {
 protected:
  void SetUp() override {
    CurrencyTest::SetUp();
    AddCurrencyRow("GBP", true, false, false);
    AddCurrencyRow("EUR", false, true, true);
    AddRateRow("GBP", "2000-01-01", "NULL", "1", "1.15");
  }

  bool AddCurrency(rt::Variant code, rt::Variant decimals, rt::Variant home = rt::Variant(false),
                   rt::Variant euro = rt::Variant(false)) {
    rt::Variant name("Some currency"), epc(false), locale = rt::Variant::Null();
    return maintenance_->AddCurrency(code, name, home, euro, epc, decimals, locale);
  }

  std::int32_t AddCurrencyError(rt::Variant code, rt::Variant decimals,
                                rt::Variant home = rt::Variant(false)) {
    return ErrorOf([&] { AddCurrency(code, decimals, home); }).Number;
  }

  bool AddRate(rt::Variant code, rt::Variant effective, rt::Variant expiry, rt::Variant home,
               rt::Variant euro, rt::Variant epc = rt::Variant(false)) {
    rt::Variant factor(std::int32_t{1});
    return maintenance_->AddCurrencyRate(code, effective, expiry, home, euro, factor, epc);
  }

  std::int32_t AddRateError(rt::Variant code, rt::Variant effective, rt::Variant expiry,
                            rt::Variant home, rt::Variant euro, rt::Variant epc = rt::Variant(false)) {
    return ErrorOf([&] { AddRate(code, effective, expiry, home, euro, epc); }).Number;
  }

  std::shared_ptr<TCurrency> maintenance_ = NewTCurrency();
};

const rt::Variant kNull = rt::Variant::Null();

TEST_F(TCurrencyTest, DecimalPlacesRangeFromZeroToSix) {
  EXPECT_TRUE(AddCurrency(rt::Variant("USD"), rt::Variant(std::int16_t{0})));
  EXPECT_TRUE(AddCurrency(rt::Variant("JPY"), rt::Variant(std::int16_t{6})));
  EXPECT_EQ(AddCurrencyError(rt::Variant("CHF"), rt::Variant(std::int16_t{7})), InvalidDecimals);
  EXPECT_EQ(AddCurrencyError(rt::Variant("CHF"), rt::Variant("two")), InvalidDecimals);
  EXPECT_EQ(AddCurrencyError(rt::Variant("CHF"), kNull), MissingDecimals);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY"), 4);
}

TEST_F(TCurrencyTest, EveryCurrencyValueHasItsOwnError) {
  // Each required value in turn left out, in the order they are checked.
  const std::int32_t missing[] = {MissingCurrencyCode, MissingCurrencyName, MissingHomeCurrency,
                                  MissingEuroCurrency, MissingEPC,          MissingDecimals};
  for (std::size_t left = 0; left < std::size(missing); ++left) {
    std::vector<rt::Variant> values = {
        rt::Variant("USD"), rt::Variant("Dollar"),        rt::Variant(false), rt::Variant(false),
        rt::Variant(false), rt::Variant(std::int16_t{2}), rt::Variant::Null()};
    values[left] = rt::Variant();
    EXPECT_EQ(ErrorOf([&] {
                maintenance_->AddCurrency(values[0], values[1], values[2], values[3], values[4],
                                          values[5], values[6]);
              }).Number,
              missing[left]);
  }
  rt::Variant code("USD"), name("Dollar"), no(false), yes(true), decimals(std::int16_t{2}),
      locale("en-US");
  EXPECT_EQ(ErrorOf([&] { maintenance_->AddCurrency(code, name, no, no, no, decimals, locale); }).Number,
            InvalidLocaleID);
  locale = rt::Variant::Null();
  EXPECT_EQ(
      ErrorOf([&] { maintenance_->AddCurrency(code, name, no, yes, yes, decimals, locale); }).Number,
      DuplicateEuroCurrency);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY"), 2);
}

TEST_F(TCurrencyTest, EveryRateValueHasItsOwnError) {
  const std::int32_t missing[] = {MissingCurrencyCode, MissingEPC, MissingEffectiveDate,
                                  MissingRateFactor};
  for (std::size_t left = 0; left < std::size(missing); ++left) {
    // code, EPC, effective date, factor: the order the checks take them.
    std::vector<rt::Variant> values = {rt::Variant("GBP"), rt::Variant(false),
                                       rt::Variant(Day(1990, 1, 1)), rt::Variant(std::int32_t{1})};
    values[left] = rt::Variant::Null();
    rt::Variant expiry = rt::Variant::Null(), home(1.0), euro(0.0);
    EXPECT_EQ(ErrorOf([&] {
                maintenance_->AddCurrencyRate(values[0], values[2], expiry, home, euro, values[3],
                                              values[1]);
              }).Number,
              missing[left]);
  }
  EXPECT_TRUE(Logged().empty());
}

TEST_F(TCurrencyTest, CurrencyCheckErrorsAreLoggedUnderTheReadClassName) {
  const rt::ErrorRecord error =
      ErrorOf([&] { AddCurrency(rt::Variant("CHF"), rt::Variant(std::int16_t{9})); });
  EXPECT_EQ(error.Description, EnrichedWithConnection("InvalidDecimals", InvalidDecimals,
                                                      "KorvoCommon.Currency.AddCurrency"));
  EXPECT_EQ(LoggedMethods(), std::vector<std::string>{"KorvoCommon.Currency.AddCurrency"});
}

TEST_F(TCurrencyTest, OnlyOneHomeCurrency) {
  EXPECT_EQ(AddCurrencyError(rt::Variant("USD"), rt::Variant(std::int16_t{2}), rt::Variant(true)),
            DuplicateHomeCurrency);
  // A home flag given as a number is a home flag all the same.
  EXPECT_EQ(
      AddCurrencyError(rt::Variant("USD"), rt::Variant(std::int16_t{2}), rt::Variant(std::int16_t{1})),
      DuplicateHomeCurrency);
  rt::Variant code("GBP"), name("Pound"), home(true), euro(false), epc(false), decimals(std::int16_t{2}),
      locale(std::int32_t{2057});
  EXPECT_TRUE(maintenance_->UpdateCurrency(code, name, home, euro, epc, decimals, locale));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY WHERE CURRENCYNAME='Pound' AND LOCALEID=2057"), 1);
  code = rt::Variant("XYZ");  // matches no row
  EXPECT_TRUE(maintenance_->UpdateCurrency(code, name, euro, euro, epc, decimals, locale));
}

TEST_F(TCurrencyTest, RateDatesAreCheckedBeforeTheHandlerAndNotLogged) {
  AddCurrencyRow("USD", false, false, false);
  EXPECT_EQ(AddRateError(rt::Variant("USD"), rt::Variant(Day(2024, 1, 1)), rt::Variant(),
                         rt::Variant(1.1), rt::Variant(0.0)),
            InvalidExpiryDate);
  EXPECT_EQ(
      AddRateError(rt::Variant("USD"), rt::Variant("31 Feb"), kNull, rt::Variant(1.1), rt::Variant(0.0)),
      InvalidEffectiveDate);
  EXPECT_EQ(AddRateError(rt::Variant("USD"), rt::Variant(Day(2024, 1, 1)), rt::Variant(Day(2024, 1, 1)),
                         rt::Variant(1.1), rt::Variant(0.0)),
            ExpiryDateRange);
  EXPECT_TRUE(Logged().empty());
  EXPECT_TRUE(AddRate(rt::Variant("USD"), rt::Variant(Day(2024, 1, 1)), kNull, rt::Variant(1.1),
                      rt::Variant(0.0)));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCYRATE WHERE CURRENCYCODE='USD' AND EXPIRYDATE IS NULL"),
            1);
}

TEST_F(TCurrencyTest, RatesOfOneCurrencyDoNotOverlap) {
  AddCurrencyRow("USD", false, false, false);
  AddRateRow("USD", "2024-01-01", "'2024-07-01'", "1.1", "0");
  // A date text is read as the date it names.
  EXPECT_EQ(AddRateError(rt::Variant("USD"), rt::Variant("3/1/2024"), kNull, rt::Variant(1.2),
                         rt::Variant(0.0)),
            EffectiveDateRange);
  // Another rate may not start inside the new period.
  EXPECT_EQ(AddRateError(rt::Variant("USD"), rt::Variant(Day(2023, 6, 1)), rt::Variant(Day(2024, 2, 1)),
                         rt::Variant(1.2), rt::Variant(0.0)),
            EffectiveDateRange);
  // An open-ended rate may not start before a later one.
  EXPECT_EQ(AddRateError(rt::Variant("USD"), rt::Variant(Day(2023, 6, 1)), kNull, rt::Variant(1.2),
                         rt::Variant(0.0)),
            EffectiveDateRange);
  EXPECT_TRUE(AddRate(rt::Variant("USD"), rt::Variant(Day(2024, 7, 1)), kNull, rt::Variant(1.3),
                      rt::Variant(0.0)));

  rt::Variant code("USD"), effective(Day(2024, 1, 1)), expiry(Day(2024, 7, 1)), home(1.15), euro(0.0),
      factor(std::int32_t{1}), epc(false);
  EXPECT_TRUE(maintenance_->UpdateCurrencyRate(code, effective, expiry, home, euro, factor, epc));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCYRATE WHERE HOMESALESRATE=1.15"), 1);
}

TEST_F(TCurrencyTest, ParticipationDecidesWhichRatesAreAllowed) {
  AddCurrencyRow("DEM", false, false, true);
  AddCurrencyRow("USD", false, false, false);
  EXPECT_EQ(AddRateError(rt::Variant("DEM"), rt::Variant(Day(2024, 1, 1)), kNull, rt::Variant(2.0),
                         rt::Variant(1.95583), rt::Variant(true)),
            InvalidEPCRate);
  EXPECT_TRUE(AddRate(rt::Variant("DEM"), rt::Variant(Day(2024, 1, 1)), kNull, kNull,
                      rt::Variant(1.95583), rt::Variant(true)));
  EXPECT_EQ(AddRateError(rt::Variant("USD"), rt::Variant(Day(2024, 1, 1)), kNull, rt::Variant(1.1),
                         rt::Variant(0.9)),
            InvalidNonEPCRate);
  // The home currency's own rate carries its euro rate.
  EXPECT_TRUE(AddRate(rt::Variant("GBP"), rt::Variant(Day(1999, 1, 1)), rt::Variant(Day(2000, 1, 1)),
                      rt::Variant(1.0), rt::Variant(1.2)));
  EXPECT_EQ(AddRateError(rt::Variant("USD"), rt::Variant(Day(2024, 1, 1)), kNull, rt::Variant(1.1),
                         rt::Variant(0.0), kNull),
            MissingEPC);
}

TEST_F(TCurrencyTest, DeleteCurrencyTakesItsRatesAlong) {
  rt::Variant code("GBP");
  EXPECT_TRUE(maintenance_->DeleteCurrency(code));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCYRATE"), 0);
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY"), 1);
  EXPECT_TRUE(maintenance_->DeleteCurrency(code));  // nothing left to match

  rt::Variant missing;
  EXPECT_EQ(ErrorOf([&] { maintenance_->DeleteCurrency(missing); }).Number, MissingCurrencyCode);
  rt::Variant day(Day(2000, 1, 1));
  EXPECT_EQ(ErrorOf([&] { maintenance_->DeleteCurrencyRate(code, missing); }).Number,
            MissingEffectiveDate);
  EXPECT_TRUE(Logged().empty());
  EXPECT_TRUE(maintenance_->DeleteCurrencyRate(code, day));
}

TEST_F(TCurrencyTest, CurrencyInUseIsNotDeleted) {
  Execute("INSERT INTO OFFICE (OFFICEDESCRIPTION, CURRENCYCODE) VALUES ('Head office', 'GBP')");
  rt::Variant code("GBP");
  const rt::ErrorRecord error = ErrorOf([&] { maintenance_->DeleteCurrency(code); });
  EXPECT_EQ(error.Number, ReferentialDelete);
  EXPECT_EQ(LoggedMethods(), std::vector<std::string>{"KorvoCommon.Currency.DeleteCurrency"});

  EXPECT_FALSE(maintenance_->CurrencyDelete("GBP"));
  EXPECT_TRUE(Logged().empty());
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY WHERE CURRENCYCODE='GBP'"), 1);
}

TEST_F(TCurrencyTest, CurrencyDeleteCountsWhatItDeleted) {
  const rt::ErrorRecord error = ErrorOf([&] { maintenance_->CurrencyDelete("XYZ"); });
  EXPECT_EQ(error.Number, -2147221404);
  EXPECT_EQ(error.Source, "KorvoCommon.Currency.CurrencyDelete");
  EXPECT_EQ(error.Description,
            Enriched("Currency not present", -2147221404, "KorvoCommon.Currency.CurrencyDelete"));
  EXPECT_TRUE(maintenance_->CurrencyDelete("GBP"));
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCYRATE WHERE CURRENCYCODE='GBP'"), 0);
}

TEST_F(TCurrencyTest, FailedWriteAbortsTheCallersTransaction) {
  {
    host::HostScope scope;
    auto maintenance =
        std::dynamic_pointer_cast<TCurrency>(scope.Context().CreateInstance("KorvoCommon.TCurrency"));
    rt::Variant code("USD"), name("Dollar"), no(false), decimals(std::int16_t{2}), bad(std::int16_t{9}),
        locale = rt::Variant::Null();
    EXPECT_TRUE(maintenance->AddCurrency(code, name, no, no, no, decimals, locale));
    code = rt::Variant("CHF");
    ErrorOf([&] { maintenance->AddCurrency(code, name, no, no, no, bad, locale); });
    EXPECT_EQ(scope.End(), host::Outcome::Aborted);
  }
  EXPECT_EQ(Count("SELECT COUNT(*) FROM CURRENCY WHERE CURRENCYCODE='USD'"), 0);
}

}  // namespace
}  // namespace korvo::common::testing
