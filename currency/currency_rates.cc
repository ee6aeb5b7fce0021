// Exchange rates of the Currency class: the rate valid on a date, the rate of
// one effective date, whether a currency can be priced on a date, and the
// currency-code lists by rate validity.
#include <functional>
#include <span>

#include "currency/currency.h"
#include "currency/currency_store.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/script_data_object.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

// A rate is valid from its effective date, inclusive, until its expiry date,
// exclusive; an open-ended rate has no expiry date.
constexpr const char* kValidRateSql =
    "SELECT CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, EUROSALESRATE, RATEFACTOR "
    "FROM CURRENCYRATE WHERE CURRENCYCODE=? AND EFFECTIVEDATE<=? AND (EXPIRYDATE IS NULL OR "
    "EXPIRYDATE>?)";
constexpr const char* kSpecificRateSql =
    "SELECT CURRENCYCODE, EFFECTIVEDATE, EXPIRYDATE, HOMESALESRATE, EUROSALESRATE, RATEFACTOR "
    "FROM CURRENCYRATE WHERE CURRENCYCODE=? AND EFFECTIVEDATE=?";
constexpr const char* kAnyRateCodesSql =
    "SELECT DISTINCT CURRENCYCODE FROM CURRENCYRATE ORDER BY CURRENCYCODE";

constexpr const char* kGetCurrencyRateMethod = "KorvoCommon.Currency.GetCurrencyRate";
constexpr const char* kGetSpecificCurrencyRateMethod = "KorvoCommon.Currency.GetSpecificCurrencyRate";

contracts::Parameter DateParameter(const char* name, rt::Date date) {
  return InputParameter(name, contracts::ParamType::DateTime, rt::Variant(date));
}

// A NULL rate takes part in the arithmetic as 0.
double RateNumberNullAsZero(const rt::Variant& rate) { return rate.IsNull() ? 0.0 : rt::CDbl(rate); }

rt::DictionaryRef RateDictionary(const contracts::Recordset& row, bool nullRatesAsZero) {
  const auto rateValue = [&](const char* column) {
    const rt::Variant& rate = row.Value(column);
    if (rate.IsNull()) return nullRatesAsZero ? rt::Variant(std::int16_t{0}) : rate;
    return rt::Variant(rt::CDbl(rate));
  };
  const rt::Variant& expiry = row.Value("EXPIRYDATE");
  auto rate = rt::Dictionary::Create();
  rate->Add("CURRENCYCODE", rt::Variant(rt::Trim(rt::CStr(row.Value("CURRENCYCODE")))));
  rate->Add("EFFECTIVEDATE", rt::Variant(rt::CDate(row.Value("EFFECTIVEDATE"))));
  rate->Add("EXPIRYDATE", expiry.IsNull() ? expiry : rt::Variant(rt::CDate(expiry)));
  rate->Add("HOMESALESRATE", rateValue("HOMESALESRATE"));
  rate->Add("EUROSALESRATE", rateValue("EUROSALESRATE"));
  rate->Add("RATEFACTOR", rt::Variant(rt::CLng(row.Value("RATEFACTOR"))));
  return rate;
}

// The first row of a rate look-up, detached from its closed connection;
// failures are reported under `method`.
contracts::RecordsetRef ReadRate(std::string_view method, const rt::Variant& code, const char* sql,
                                 std::span<const contracts::Parameter> params) {
  contracts::ConnectionRef connection;
  return infra::RunHandled({method}, connection, [&] {
    if (code.IsNullOrEmpty()) RaiseCurrencyError(MissingCurrencyCode, "MissingCurrencyCode");
    connection = OpenCurrencyConnection();
    contracts::RecordsetRef row = connection->Execute(sql, params, nullptr, 1);
    if (row->IsEOF()) RaiseCurrencyError(CurrencyRateNotFound, "CurrencyRateNotFound");
    row->Detach();
    infra::Sql_CloseConnection(connection);
    return row;
  });
}

// The codes a statement lists, kept when `keep` says so; null on any
// failure.
rt::DictionaryRef CodeList(const std::string& sql, const std::function<bool(const std::string&)>& keep) {
  return infra::NeverRaising(rt::DictionaryRef(), [&] {
    contracts::RecordsetRef rows;
    infra::ScopedClose<contracts::RecordsetRef> closeRows(rows);
    rows = infra::Sql_GetDisconnectedRecordset(sql, CurrencyConnectionString());
    auto codes = rt::Dictionary::Create();
    for (; !rows->IsEOF(); rows->MoveNext()) {
      const std::string code = rt::CStr(rows->Value("CURRENCYCODE"));
      if (keep(code)) codes->Add(rt::Variant(code), rt::Variant(code));
    }
    infra::Sql_CloseRecordset(rows);
    return codes;
  });
}

}  // namespace

contracts::RecordsetRef Currency::ValidRate(const rt::Variant& code, rt::Date date) {
  const contracts::Parameter params[] = {CurrencyCodeParameter(code),
                                         DateParameter("EffectiveDate", date),
                                         DateParameter("ExpiryDate", date)};
  return ReadRate(kGetCurrencyRateMethod, code, kValidRateSql, params);
}

RateFigures Currency::ValidRateFigures(const rt::Variant& code, rt::Date date) {
  const contracts::RecordsetRef rate = ValidRate(code, date);
  return RateFigures{RateNumberNullAsZero(rate->Value("HOMESALESRATE")),
                     RateNumberNullAsZero(rate->Value("EUROSALESRATE")),
                     RateNumberNullAsZero(rate->Value("RATEFACTOR"))};
}

rt::DictionaryRef Currency::GetCurrencyRate(rt::Variant& iCurrencyCode, rt::Date& iOrderDate) {
  return RateDictionary(*ValidRate(iCurrencyCode, iOrderDate), true);
}

rt::DictionaryRef Currency::GetSpecificCurrencyRate(rt::Variant& iCurrencyCode,
                                                    rt::Date& iEffectiveDate) {
  if (iCurrencyCode.IsNullOrEmpty()) {
    RaiseCurrencyError(MissingCurrencyCode, "MissingCurrencyCode");
  }
  const contracts::Parameter params[] = {CurrencyCodeParameter(iCurrencyCode),
                                         DateParameter("EffectiveDate", iEffectiveDate)};
  return RateDictionary(
      *ReadRate(kGetSpecificCurrencyRateMethod, iCurrencyCode, kSpecificRateSql, params), false);
}

bool Currency::HasValidCurrencyRate(const std::string& istrCurrencyCode, rt::Date idteDate) {
  return HasValidCurrencyRateEx(istrCurrencyCode, idteDate, false);
}

bool Currency::HasValidCurrencyRateEx(const std::string& istrCurrencyCode, rt::Date idteDate,
                                      bool iblnStrict) {
  return infra::NeverRaising(false, [&] {
    const std::string home = GetHomeCurrencyCode();
    if (home.empty()) return false;
    // Read so that a failed look-up fails the check: taken for "there is no
    // euro", it would let a currency pass on a rate it does not have.
    const rt::DictionaryRef euroCurrency = GetEuroCurrency();
    const std::string euro = euroCurrency ? rt::CStr(infra::ValueOf(*euroCurrency, "CURRENCYCODE")) : "";
    if (istrCurrencyCode == euro) return true;  // the euro needs no rate of its own

    rt::Variant code(istrCurrencyCode);
    GetCurrency(code);
    const bool isHome = infra::IsTrue(properties_.home);
    const bool isEpc = infra::IsTrue(properties_.epc);
    const RateFigures rate = ValidRateFigures(code, idteDate);

    if (isHome) {
      if (euro.empty()) return rate.home == 1;
      if (rate.home == 1 && rate.euro > 0) return true;
      if (iblnStrict) return false;
    }
    // The home currency's own rate: the one just read when the code is the
    // home currency's, the unit rate when the home currency is the euro.
    RateFigures homeRate{1.0, 1.0, 1.0};
    if (euro != home) {
      homeRate = istrCurrencyCode == home ? rate : ValidRateFigures(rt::Variant(home), idteDate);
    }
    if (homeRate.home != 1) return false;
    if (!euro.empty() && !(homeRate.euro > 0) && iblnStrict) return false;
    return isEpc ? (rate.euro > 0 && homeRate.euro > 0) : rate.home > 0;
  });
}

rt::DictionaryRef Currency::GetCurrencyCodesHavingValidCurrencyRate(rt::Date idteDate) {
  // The statement compares calendar days; each code is then tested at the
  // full moment.
  const std::string day = infra::Gen_SqlDate(rt::Variant(idteDate));
  const std::string sql = "SELECT DISTINCT CURRENCYCODE FROM CURRENCYRATE WHERE EFFECTIVEDATE<='" + day +
                          "' AND (EXPIRYDATE IS NULL OR EXPIRYDATE>'" + day + "') ORDER BY CURRENCYCODE";
  return CodeList(sql, [&](const std::string& code) { return HasValidCurrencyRate(code, idteDate); });
}

rt::DictionaryRef Currency::GetCurrencyCodesHavingAnyCurrencyRate() {
  return CodeList(kAnyRateCodesSql, [](const std::string&) { return true; });
}

rt::DictionaryRef Currency::GetCurrencyCodesHavingNoValidCurrencyRate(rt::Date idteDate) {
  const rt::DictionaryRef valid = GetCurrencyCodesHavingValidCurrencyRate(idteDate);
  const rt::DictionaryRef any = GetCurrencyCodesHavingAnyCurrencyRate();
  if (!valid || !any) return rt::DictionaryRef();
  auto invalid = rt::Dictionary::Create();
  for (const auto& entry : any->Entries()) {
    if (!valid->Exists(entry.key)) invalid->Set(entry.key, entry.key);
  }
  return invalid;
}

bool Currency::AreCurrencyRatesValid(rt::Date idteDate) {
  const rt::DictionaryRef invalid = GetCurrencyCodesHavingNoValidCurrencyRate(idteDate);
  return invalid && invalid->Count() == 0;
}

}  // namespace korvo::common
