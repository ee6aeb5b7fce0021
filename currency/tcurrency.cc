// TCurrency's typed maintenance methods.
#include "currency/tcurrency.h"

#include <vector>

#include "currency/currency_checks.h"
#include "currency/currency_store.h"
#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/interface_members.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/script_data_object.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "platform/contracts/referential_checker.h"
#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

using contracts::ParamType;

constexpr const char* kInsertCurrencySql = "INSERT INTO CURRENCY VALUES (?, ?, ?, ?, ?, ?, ?)";
constexpr const char* kUpdateCurrencySql =
    "UPDATE CURRENCY SET CURRENCYNAME=?, HOMECURRENCY=?, EURO=?, EPC=?, DECIMALS=?, LOCALEID=? "
    "WHERE CURRENCYCODE=?";
constexpr const char* kInsertRateSql = "INSERT INTO CURRENCYRATE VALUES (?, ?, ?, ?, ?, ?)";
constexpr const char* kUpdateRateSql =
    "UPDATE CURRENCYRATE SET EXPIRYDATE=?, HOMESALESRATE=?, EUROSALESRATE=?, RATEFACTOR=? "
    "WHERE CURRENCYCODE=? AND EFFECTIVEDATE=?";
constexpr const char* kDeleteRatesSql = "DELETE FROM CURRENCYRATE WHERE CURRENCYCODE=?";
constexpr const char* kDeleteCurrencySql = "DELETE FROM CURRENCY WHERE CURRENCYCODE=?";
constexpr const char* kDeleteRateSql =
    "DELETE FROM CURRENCYRATE WHERE CURRENCYCODE=? AND EFFECTIVEDATE=?";

// Failures are reported under the read class's names.
constexpr const char* kAddCurrencyMethod = "KorvoCommon.Currency.AddCurrency";
constexpr const char* kUpdateCurrencyMethod = "KorvoCommon.Currency.UpdateCurrency";
constexpr const char* kDeleteCurrencyMethod = "KorvoCommon.Currency.DeleteCurrency";
constexpr const char* kCurrencyDeleteMethod = "KorvoCommon.Currency.CurrencyDelete";
constexpr const char* kAddCurrencyRateMethod = "KorvoCommon.Currency.AddCurrencyRate";
constexpr const char* kUpdateCurrencyRateMethod = "KorvoCommon.Currency.UpdateCurrencyRate";
constexpr const char* kDeleteCurrencyRateMethod = "KorvoCommon.Currency.DeleteCurrencyRate";

// "Currency not present": the component base plus 100, outside KorvoCommonError.
constexpr std::int32_t kCurrencyNotPresent = kComponentErrorBase + 100;

infra::MethodHandler Writer(const char* method,
                            infra::FailureInfo info = infra::FailureInfo::ConnectionErrors) {
  return infra::MethodHandler{method, info, true, std::nullopt};
}

// The currency's columns in table order, the code last for the update.
std::vector<contracts::Parameter> CurrencyParameters(const CurrencyValues& currency, bool codeLast) {
  std::vector<contracts::Parameter> params;
  if (!codeLast) params.push_back(CurrencyCodeParameter(currency.code));
  params.push_back(InputParameter("CurrencyName", ParamType::Text, currency.name, 30));
  params.push_back(InputParameter("HomeCurrency", ParamType::Boolean, currency.home));
  params.push_back(InputParameter("EuroCurrency", ParamType::Boolean, currency.euro));
  params.push_back(InputParameter("EPC", ParamType::Boolean, currency.epc));
  params.push_back(InputParameter("Decimals", ParamType::SmallInt, currency.decimals));
  params.push_back(InputParameter("LocaleID", ParamType::Integer, currency.localeId));
  if (codeLast) params.push_back(CurrencyCodeParameter(currency.code));
  return params;
}

// The rate's columns in table order, the identifying pair last for the
// update. "EffecitveDate" is the parameter's established name.
std::vector<contracts::Parameter> RateParameters(const RateValues& rate, bool keysLast) {
  std::vector<contracts::Parameter> keys = {
      CurrencyCodeParameter(rate.code),
      InputParameter("EffecitveDate", ParamType::DateTime, rate.effective)};
  std::vector<contracts::Parameter> params;
  if (!keysLast) params = keys;
  params.push_back(InputParameter("ExpiryDate", ParamType::DateTime, rate.expiry));
  params.push_back(InputParameter("HomeSalesRate", ParamType::Decimal, rate.homeRate));
  params.push_back(InputParameter("EuroSalesRate", ParamType::Decimal, rate.euroRate));
  params.push_back(InputParameter("RateFactor", ParamType::Integer, rate.factor));
  if (keysLast) params.insert(params.end(), keys.begin(), keys.end());
  return params;
}

// Asks Korvex.ReferentialChecker whether nothing outside the currency's own
// rates refers to it; `beforeDelete` also runs the checker's delete hook.
bool ReferencesAllowDelete(const rt::Variant& code, bool beforeDelete) {
  auto checker = infra::Gen_GetComponentAs<contracts::ReferentialChecker>("Korvex.ReferentialChecker");
  const rt::Array names({rt::Variant("CURRENCYCODE")});
  const rt::Array values({code});
  if (!checker->CanDeleteInComponent("KorvoCommon", "CURRENCY", names, values)) return false;
  if (beforeDelete) checker->BeforeDelete("CURRENCY", names, values);
  return true;
}

void Commit(contracts::ConnectionRef& connection) {
  infra::Sql_CloseConnection(connection);
  infra::Mts_SetComplete();
}

}  // namespace

bool TCurrency::AddCurrency(rt::Variant& i_vCurrencyCode, rt::Variant& i_vCurrencyName,
                            rt::Variant& i_vHomeCurrency, rt::Variant& i_vEuroCurrency,
                            rt::Variant& i_vEPC, rt::Variant& i_vDecimals, rt::Variant& i_vLocaleID) {
  current_ = CurrencyValues{i_vCurrencyCode, i_vCurrencyName, i_vHomeCurrency, i_vEuroCurrency,
                            i_vEPC,          i_vDecimals,     i_vLocaleID};
  return WriteCurrency(kAddCurrencyMethod, true);
}

bool TCurrency::UpdateCurrency(rt::Variant& i_vCurrencyCode, rt::Variant& i_vCurrencyName,
                               rt::Variant& i_vHomeCurrency, rt::Variant& i_vEuroCurrency,
                               rt::Variant& i_vEPC, rt::Variant& i_vDecimals, rt::Variant& i_vLocaleID) {
  current_ = CurrencyValues{i_vCurrencyCode, i_vCurrencyName, i_vHomeCurrency, i_vEuroCurrency,
                            i_vEPC,          i_vDecimals,     i_vLocaleID};
  return WriteCurrency(kUpdateCurrencyMethod, false);
}

bool TCurrency::WriteCurrency(const char* method, bool isInsert) {
  contracts::ConnectionRef connection;
  return infra::RunHandled(Writer(method), connection, [&] {
    CheckCurrency(current_);
    connection = OpenCurrencyConnection();
    connection->Execute(isInsert ? kInsertCurrencySql : kUpdateCurrencySql,
                        CurrencyParameters(current_, !isInsert));
    Commit(connection);
    return true;
  });
}

bool TCurrency::DeleteCurrency(rt::Variant& i_vCurrencyCode) {
  if (i_vCurrencyCode.IsNullOrEmpty()) {
    RaiseCurrencyError(MissingCurrencyCode, "MissingCurrencyCode");
  }
  contracts::ConnectionRef connection;
  return infra::RunHandled(Writer(kDeleteCurrencyMethod), connection, [&] {
    if (!ReferencesAllowDelete(i_vCurrencyCode, false)) {
      RaiseCurrencyError(ReferentialDelete, "ReferentialDelete");
    }
    connection = OpenCurrencyConnection();
    // The rates belong to the currency and go first.
    const contracts::Parameter params[] = {CurrencyCodeParameter(i_vCurrencyCode)};
    connection->Execute(kDeleteRatesSql, params);
    connection->Execute(kDeleteCurrencySql, params);
    Commit(connection);
    return true;
  });
}

bool TCurrency::CurrencyDelete(std::string iCurrencyCode) {
  contracts::ConnectionRef connection;
  return infra::RunHandled(Writer(kCurrencyDeleteMethod, infra::FailureInfo::None), connection, [&] {
    if (!ReferencesAllowDelete(rt::Variant(iCurrencyCode), true)) {
      infra::Mts_SetAbort();
      return false;
    }
    connection = OpenConfiguredConnection();
    const std::string code = "'" + infra::Gen_SqlQuote(iCurrencyCode) + "'";
    // The rates go with their currency, so none is left pointing at a
    // currency that no longer exists.
    connection->Execute("DELETE FROM CURRENCYRATE WHERE CURRENCYCODE=" + code);
    std::int32_t deleted = 0;
    connection->Execute("DELETE FROM CURRENCY WHERE CURRENCYCODE=" + code, {}, &deleted);
    if (deleted == 0) {
      infra::Err_RaiseRecord(
          rt::ErrorRecord{kCurrencyNotPresent, kCurrencyDeleteMethod, "Currency not present", "", 0});
    }
    Commit(connection);
    return true;
  });
}

bool TCurrency::AddCurrencyRate(rt::Variant& iCurrencyCode, rt::Variant& iEffectiveDate,
                                rt::Variant& iExpiryDate, rt::Variant& iHomeSalesRate,
                                rt::Variant& iEuroSalesRate, rt::Variant& iRateFactor,
                                rt::Variant& iEPC) {
  return WriteRate(kAddCurrencyRateMethod,
                   RateValues{iCurrencyCode, iEffectiveDate, iExpiryDate, iHomeSalesRate, iEuroSalesRate,
                              iRateFactor, iEPC},
                   true);
}

bool TCurrency::UpdateCurrencyRate(rt::Variant& iCurrencyCode, rt::Variant& iEffectiveDate,
                                   rt::Variant& iExpiryDate, rt::Variant& iHomeSalesRate,
                                   rt::Variant& iEuroSalesRate, rt::Variant& iRateFactor,
                                   rt::Variant& iEPC) {
  return WriteRate(kUpdateCurrencyRateMethod,
                   RateValues{iCurrencyCode, iEffectiveDate, iExpiryDate, iHomeSalesRate, iEuroSalesRate,
                              iRateFactor, iEPC},
                   false);
}

bool TCurrency::WriteRate(const char* method, const RateValues& rate, bool isInsert) {
  CheckRateWithHome(rate, isInsert);  // its errors reach the caller unlogged
  contracts::ConnectionRef connection;
  return infra::RunHandled(Writer(method), connection, [&] {
    connection = OpenCurrencyConnection();
    connection->Execute(isInsert ? kInsertRateSql : kUpdateRateSql, RateParameters(rate, !isInsert));
    Commit(connection);
    return true;
  });
}

void TCurrency::CheckRateWithHome(const RateValues& rate, bool isInsert) {
  if (!homeMemo_) homeMemo_ = NewCurrency()->GetHomeCurrency();
  const std::string homeCode =
      homeMemo_ ? rt::CStr(infra::ValueOf(*homeMemo_, "CURRENCYCODE")) : std::string();
  CheckRate(rate, isInsert, homeCode);
}

bool TCurrency::DeleteCurrencyRate(rt::Variant& iCurrencyCode, rt::Variant& iEffectiveDate) {
  if (iCurrencyCode.IsNullOrEmpty()) {
    RaiseCurrencyError(MissingCurrencyCode, "MissingCurrencyCode");
  }
  if (iEffectiveDate.IsNullOrEmpty()) {
    RaiseCurrencyError(MissingEffectiveDate, "MissingEffectiveDate");
  }
  contracts::ConnectionRef connection;
  return infra::RunHandled(Writer(kDeleteCurrencyRateMethod), connection, [&] {
    connection = OpenCurrencyConnection();
    const contracts::Parameter params[] = {
        CurrencyCodeParameter(iCurrencyCode),
        InputParameter("EffectiveDate", ParamType::DateTime, iEffectiveDate)};
    connection->Execute(kDeleteRateSql, params);
    Commit(connection);
    return true;
  });
}

void TCurrency::Release() { infra::Mts_SetComplete(); }

const host::DispatchTable& TCurrency::Dispatch() const {
  static const host::DispatchTable table = [] {
    auto members = host::DispatchTable::For<TCurrency>();
    members.Method("AddCurrency", &TCurrency::AddCurrency)
        .Method("UpdateCurrency", &TCurrency::UpdateCurrency)
        .Method("DeleteCurrency", &TCurrency::DeleteCurrency)
        .Method("CurrencyDelete", &TCurrency::CurrencyDelete)
        .Method("AddCurrencyRate", &TCurrency::AddCurrencyRate)
        .Method("UpdateCurrencyRate", &TCurrency::UpdateCurrencyRate)
        .Method("DeleteCurrencyRate", &TCurrency::DeleteCurrencyRate)
        .Method("InsertFromScript", &TCurrency::InsertFromScript)
        .Method("UpdateFromScript", &TCurrency::UpdateFromScript)
        .Method("DeleteFromScript", &TCurrency::DeleteFromScript)
        .Method("Release", &TCurrency::Release);
    infra::AddBusinessRulesMembers(members);
    infra::AddReferentialIntegrityMembers(members);
    return members.Build();
  }();
  return table;
}

}  // namespace korvo::common
