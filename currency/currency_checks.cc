#include "currency/currency_checks.h"

#include <cmath>
#include <utility>

#include "currency/currency_store.h"
#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/script_data_object.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

constexpr const char* kCheckExistenceMethod = "KorvoCommon.Currency.CheckExistenceUsingSQL";
constexpr const char* kEpcSql = "SELECT EPC FROM CURRENCY WHERE CURRENCYCODE=?";

// The checks raise their number with the member's name as description.
struct CheckError {
  KorvoCommonError number;
  const char* name;
};
constexpr CheckError kCheckErrors[] = {
    {MissingCurrencyCode, "MissingCurrencyCode"},
    {MissingCurrencyName, "MissingCurrencyName"},
    {MissingHomeCurrency, "MissingHomeCurrency"},
    {MissingEuroCurrency, "MissingEuroCurrency"},
    {MissingEPC, "MissingEPC"},
    {MissingDecimals, "MissingDecimals"},
    {InvalidDecimals, "InvalidDecimals"},
    {InvalidLocaleID, "InvalidLocaleID"},
    {DuplicateHomeCurrency, "DuplicateHomeCurrency"},
    {DuplicateEuroCurrency, "DuplicateEuroCurrency"},
    {MissingEffectiveDate, "MissingEffectiveDate"},
    {MissingRateFactor, "MissingRateFactor"},
    {InvalidEPCRate, "InvalidEPCRate"},
    {InvalidNonEPCRate, "InvalidNonEPCRate"},
    {InvalidEffectiveDate, "InvalidEffectiveDate"},
    {InvalidExpiryDate, "InvalidExpiryDate"},
    {EffectiveDateRange, "EffectiveDateRange"},
    {ExpiryDateRange, "ExpiryDateRange"},
};

[[noreturn]] void RaiseCheck(KorvoCommonError number) {
  for (const CheckError& error : kCheckErrors) {
    if (error.number == number) RaiseCurrencyError(number, error.name);
  }
  RaiseCurrencyError(number, {});  // a number without a name takes the runtime's text
}

void Require(const rt::Variant& value, KorvoCommonError missing) {
  if (value.IsNullOrEmpty()) RaiseCheck(missing);
}

// Decimal places as the 16-bit integer they are stored as (halves to even).
bool DecimalsInRange(const rt::Variant& decimals) {
  if (!rt::IsNumeric(decimals)) return false;
  const double places = std::nearbyint(rt::CDbl(decimals));
  return places >= 0 && places <= 6;
}

// A flagged currency must be the one flagged already, if any. The reader is
// called directly, not through the host, so its look-up runs in the
// writer's context: inside a transaction it reads on the writer's own
// connection, after the write lock was taken. Check and write are then one
// step for concurrent writers, and the check sees this transaction's own
// earlier writes; two home or euro currencies cannot slip in between.
template <class Load>
void RequireSoleFlagged(const rt::Variant& flag, const rt::Variant& code, Load loadFlagged,
                        KorvoCommonError duplicate) {
  if (!infra::IsTrue(flag)) return;
  const rt::DictionaryRef flagged = loadFlagged(*NewCurrency());
  if (flagged && rt::CStr(infra::ValueOf(*flagged, "CURRENCYCODE")) != rt::CStr(code)) {
    RaiseCheck(duplicate);
  }
}

// Whether another rate of the currency makes the new period overlap;
// `condition` compares EFFECTIVEDATE and EXPIRYDATE with the bound dates.
bool OtherRateFound(const rt::Variant& code, const char* condition, rt::Date first, rt::Date second) {
  const std::string sql = "SELECT CURRENCYCODE FROM CURRENCYRATE WHERE CURRENCYCODE = '" +
                          infra::Gen_SqlQuote(rt::CStr(code)) + "' AND " + condition;
  const contracts::Parameter params[] = {
      InputParameter("EffectiveDate", contracts::ParamType::DateTime, rt::Variant(first)),
      InputParameter("ExpiryDate", contracts::ParamType::DateTime, rt::Variant(second))};
  return CheckExistenceUsingSQL(sql, params);
}

// Rates compare as the numbers they are stored as; a rate that is no
// number (Null included) raises the conversion error.
double RateNumberRequired(const rt::Variant& rate) { return rt::CDbl(rate); }

void CheckRateDates(const RateValues& rate, bool isInsert) {
  if (!rt::IsDate(rate.effective)) RaiseCheck(InvalidEffectiveDate);
  const rt::Date effective = rt::CDate(rate.effective);
  // An existing rate may not still be valid when the new one starts.
  if (isInsert && OtherRateFound(rate.code,
                                 "EFFECTIVEDATE <= ? AND (EXPIRYDATE IS NULL OR "
                                 "EXPIRYDATE > ?)",
                                 effective, effective)) {
    RaiseCheck(EffectiveDateRange);
  }
  if (rate.expiry.IsNull()) {
    // An open-ended rate may not start before a later rate of the currency.
    if (OtherRateFound(rate.code, "EFFECTIVEDATE > ? AND (EXPIRYDATE IS NULL OR EXPIRYDATE > ?)",
                       effective, effective)) {
      RaiseCheck(EffectiveDateRange);
    }
    return;
  }
  if (!rt::IsDate(rate.expiry)) RaiseCheck(InvalidExpiryDate);
  const rt::Date expiry = rt::CDate(rate.expiry);
  if (effective >= expiry) RaiseCheck(ExpiryDateRange);
  // No other rate may start inside the new period.
  if (OtherRateFound(rate.code, "EFFECTIVEDATE > ? AND EFFECTIVEDATE < ?", effective, expiry)) {
    RaiseCheck(EffectiveDateRange);
  }
}

void CheckRateFigures(const RateValues& rate, const std::string& homeCode) {
  const bool noHomeRate = rate.homeRate.IsNull();
  const bool noEuroRate = rate.euroRate.IsNull();
  if (infra::IsTrue(rate.epc)) {
    // A participating currency converts through its fixed euro rate only.
    const bool homeRateNeutral = noHomeRate || RateNumberRequired(rate.homeRate) == 1;
    if (!(homeRateNeutral && !noEuroRate && RateNumberRequired(rate.euroRate) > 0)) {
      RaiseCheck(InvalidEPCRate);
    }
    return;
  }
  // Other currencies convert through their home rate alone; the home
  // currency's own rate also carries its euro rate.
  const bool breaksRule = (!noEuroRate && RateNumberRequired(rate.euroRate) != 0) || noHomeRate ||
                          !(RateNumberRequired(rate.homeRate) > 0);
  if (breaksRule && rt::CStr(rate.code) != homeCode) RaiseCheck(InvalidNonEPCRate);
}

}  // namespace

std::shared_ptr<Currency> NewCurrency() { return infra::Gen_GetComponentAs<Currency>(kCurrencyProgId); }

void CheckCurrency(const CurrencyValues& currency) {
  Require(currency.code, MissingCurrencyCode);
  Require(currency.name, MissingCurrencyName);
  Require(currency.home, MissingHomeCurrency);
  Require(currency.euro, MissingEuroCurrency);
  Require(currency.epc, MissingEPC);
  Require(currency.decimals, MissingDecimals);
  if (!DecimalsInRange(currency.decimals)) RaiseCheck(InvalidDecimals);
  if (!currency.localeId.IsNullOrEmpty() && !rt::IsNumeric(currency.localeId)) {
    RaiseCheck(InvalidLocaleID);
  }
  RequireSoleFlagged(
      currency.home, currency.code, [](Currency& reader) { return reader.GetHomeCurrency(); },
      DuplicateHomeCurrency);
  RequireSoleFlagged(
      currency.euro, currency.code, [](Currency& reader) { return reader.GetEuroCurrency(); },
      DuplicateEuroCurrency);
}

void CheckRate(const RateValues& rate, bool isInsert, const std::string& homeCode) {
  Require(rate.code, MissingCurrencyCode);
  Require(rate.epc, MissingEPC);
  Require(rate.effective, MissingEffectiveDate);
  Require(rate.factor, MissingRateFactor);
  CheckRateDates(rate, isInsert);
  CheckRateFigures(rate, homeCode);
}

bool CheckExistenceUsingSQL(const std::string& sql, std::span<const contracts::Parameter> params) {
  contracts::ConnectionRef connection;
  try {
    connection = OpenCurrencyConnection();
    connection->Execute(infra::kReadCommitted);
    const bool found = !connection->Execute(sql, params, nullptr, 1)->IsEOF();
    infra::Sql_CloseConnection(connection);
    return found;
  } catch (...) {
    const std::string info =
        infra::Err_ConnectionErrors(connection.get()) + " Executing: '" + sql + "' ";
    infra::ScopedClose<contracts::ConnectionRef>(connection).CloseNow();
    infra::Err_Handle(kCheckExistenceMethod, rt::Variant(info));
    throw;
  }
}

bool CurrencyExists(const std::string& code) {
  return CheckExistenceUsingSQL("SELECT CURRENCYCODE FROM CURRENCY WHERE CURRENCYCODE = '" +
                                infra::Gen_SqlQuote(code) + "'");
}

rt::Variant CurrencyEpcFlag(const rt::Variant& code) {
  if (code.IsNullOrEmpty()) return rt::Variant();
  contracts::ConnectionRef connection = OpenCurrencyConnection();
  infra::ScopedClose<contracts::ConnectionRef> closing(connection);
  const contracts::Parameter params[] = {
      InputParameter("CurrencyCode", contracts::ParamType::FixedText, code, 3)};
  contracts::RecordsetRef row = connection->Execute(kEpcSql, params, nullptr, 1);
  return row->IsEOF() ? rt::Variant() : row->Value("EPC");
}

}  // namespace korvo::common
