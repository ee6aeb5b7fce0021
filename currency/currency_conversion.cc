// Conversion of money amounts between currencies on a date.
//
// An amount x in the home currency is x * H * F in a currency whose rate is
// (H, F); an amount y in a euro-participating currency is y / (F * E) in
// euro. Amounts travel through the home currency, and through the euro
// where a currency participates in it. Arithmetic is in doubles, in exactly
// the order written, so results agree to the last ten-thousandth with the
// rates' published worked examples; only the final result is rounded to the
// money type (ties to even), never to a currency's own decimals.
#include "currency/currency.h"
#include "currency/currency_store.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/script_data_object.h"
#include "platform/runtime/error.h"

namespace korvo::common {

namespace {

constexpr const char* kConvertAmountMethod = "KorvoCommon.Currency.ConvertAmount";
constexpr const char* kConvertToMethod = "KorvoCommon.Currency.ConvertTo";

// The rate of the euro currency itself: its rate rows, if any, are not read.
constexpr RateFigures kUnitRate{1.0, 1.0, 1.0};

// A division the way the runtime performs it: a zero divisor is an error,
// not an infinity.
double Divide(double dividend, double divisor) {
  if (divisor == 0) rt::Raise(rt::errnum::kDivisionByZero);
  return dividend / divisor;
}

// An amount in `from`, a euro-participating currency or the euro, into `to`
// by way of the euro.
double ThroughEuro(double amount, const RateFigures& from, const RateFigures& to) {
  return Divide(amount, from.factor * from.euro) * (to.factor * to.euro);
}

// An amount in the home currency in a currency that does not participate.
double FromHomeByHomeRate(double amount, const RateFigures& to) {
  return (amount * to.home) * to.factor;
}

void RequirePositive(double rate, KorvoCommonError missing, const char* name) {
  if (!(rate > 0)) RaiseCurrencyError(missing, name);
}

void RequireEuroRate(const RateFigures& rate) {
  RequirePositive(rate.euro, EuroRateNotDefined, "EuroRateNotDefined");
}

void RequireHomeEuroRate(const RateFigures& homeRate) {
  RequirePositive(homeRate.euro, EuroRateNotDefinedForHomeCurrency, "EuroRateNotDefinedForHomeCurrency");
}

void RequireHomeRate(const RateFigures& rate) {
  RequirePositive(rate.home, HomeRateNotDefined, "HomeRateNotDefined");
}

template <class Convert>
rt::DictionaryRef ConvertedPrices(rt::Money price, rt::Money discount, Convert convert) {
  auto result = rt::Dictionary::Create();
  result->Add("PRICE", rt::Variant(rt::MoneyFromDouble(convert(rt::MoneyToDouble(price)))));
  result->Add("DISCOUNTAMOUNT", rt::Variant(rt::MoneyFromDouble(convert(rt::MoneyToDouble(discount)))));
  return result;
}

}  // namespace

rt::Money Currency::ConvertAmount(std::string& iFromCurrencyCode, std::string& iToCurrencyCode,
                                  rt::Money& iAmount, rt::Date& iDate) {
  if (iFromCurrencyCode == iToCurrencyCode) return iAmount;
  return infra::RunHandled({kConvertAmountMethod, infra::FailureInfo::None}, [&] {
    const RateFigures homeRate = HomeRateFigures(iDate);
    const double home = ToHomeAmount(iFromCurrencyCode, rt::MoneyToDouble(iAmount), homeRate, iDate);
    return rt::MoneyFromDouble(FromHomeAmount(iToCurrencyCode, home, homeRate, iDate));
  });
}

RateFigures Currency::HomeRateFigures(rt::Date date) {
  if (!homeMemo_) homeMemo_ = GetHomeCurrency();
  if (!homeMemo_) RaiseCurrencyError(CurrencyNotFound, "CurrencyNotFound");
  if (infra::IsTrue(infra::ValueOf(*homeMemo_, "EURO"))) return kUnitRate;
  return ValidRateFigures(infra::ValueOf(*homeMemo_, "CURRENCYCODE"), date);
}

double Currency::ToHomeAmount(const std::string& from, double amount, const RateFigures& homeRate,
                              rt::Date date) {
  rt::Variant code(from);
  GetCurrency(code);
  if (infra::IsTrue(properties_.euro)) return ThroughEuro(amount, kUnitRate, homeRate);
  if (infra::IsTrue(properties_.home)) return amount;
  const RateFigures rate = ValidRateFigures(code, date);
  if (infra::IsTrue(properties_.epc)) {
    RequireEuroRate(rate);
    RequireHomeEuroRate(homeRate);
    return ThroughEuro(amount, rate, homeRate);
  }
  RequireHomeRate(rate);
  return Divide(amount, rate.factor * rate.home);
}

double Currency::FromHomeAmount(const std::string& to, double amount, const RateFigures& homeRate,
                                rt::Date date) {
  rt::Variant code(to);
  GetCurrency(code);
  if (infra::IsTrue(properties_.euro)) return ThroughEuro(amount, homeRate, kUnitRate);
  // Read before the home test: a target without a valid rate fails even when
  // it is the home currency.
  const RateFigures rate = ValidRateFigures(code, date);
  if (infra::IsTrue(properties_.epc)) {
    RequireHomeEuroRate(homeRate);
    RequireEuroRate(rate);
    return ThroughEuro(amount, homeRate, rate);
  }
  if (infra::IsTrue(properties_.home)) return amount;
  RequireHomeRate(rate);
  return FromHomeByHomeRate(amount, rate);
}

rt::DictionaryRef Currency::ConvertTo(rt::DictionaryRef& iFromCurrency, rt::Variant& iNewCurrencyCode,
                                      rt::Money& iPrice, rt::Money& iDiscountAmount,
                                      rt::Date& iOrderDate) {
  return infra::RunHandled({kConvertToMethod, infra::FailureInfo::None}, [&] {
    GetCurrency(iNewCurrencyCode);
    const RateFigures target =
        infra::IsTrue(properties_.euro) ? kUnitRate : ValidRateFigures(iNewCurrencyCode, iOrderDate);
    if (!infra::IsTrue(properties_.epc)) {
      // The amounts are taken to be in the home currency.
      RequireHomeRate(target);
      return ConvertedPrices(iPrice, iDiscountAmount,
                             [&](double amount) { return FromHomeByHomeRate(amount, target); });
    }
    RequireEuroRate(target);
    if (!iFromCurrency) rt::Raise(rt::errnum::kObjectNotSet);
    if (infra::IsTrue(infra::ValueOf(*iFromCurrency, "EURO"))) {
      return ConvertedPrices(iPrice, iDiscountAmount,
                             [&](double amount) { return (amount * target.euro) * target.factor; });
    }
    const RateFigures source =
        ValidRateFigures(infra::ValueOf(*iFromCurrency, "CURRENCYCODE"), iOrderDate);
    RequireHomeEuroRate(source);
    return ConvertedPrices(iPrice, iDiscountAmount,
                           [&](double amount) { return ThroughEuro(amount, source, target); });
  });
}

bool Currency::CanConvertToHomeCurrency(const std::string& istrCurrencyCode, rt::Date idteDate) {
  std::string home = GetHomeCurrencyCode();
  if (home.empty()) return false;
  return infra::NeverRaising(false, [&] {
    std::string code = istrCurrencyCode;
    rt::Money one = rt::MoneyFromDouble(1.0);
    return ConvertAmount(code, home, one, idteDate) > rt::Money{};
  });
}

}  // namespace korvo::common
