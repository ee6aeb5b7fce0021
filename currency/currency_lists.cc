// The Currency class's lists: every currency as a record set or a code
// dictionary, and one currency as a display dictionary.
#include "currency/currency.h"
#include "currency/currency_store.h"
#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/script_data_object.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

constexpr const char* kCurrenciesSql =
    "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY";

constexpr const char* kGetCurrenciesMethod = "KorvoCommon.Currency.GetCurrencies";
// These two names are reported with a leading " / ", as callers' logs have
// always shown them.
constexpr const char* kGetCurrenciesInDictionaryMethod =
    " / KorvoCommon.Currency.GetCurrenciesInDictionary";
constexpr const char* kGetCurrencyAsDictMethod = " / KorvoCommon.Currency.GetCurrencyAsDict";
constexpr const char* kGetCurrencyAsDictSource = "KorvoCommon.Currency.GetCurrencyAsDict";

rt::Variant FlagText(const rt::Variant& column) {
  return rt::Variant(infra::IsTrue(column) ? "True" : "False");
}

rt::DictionaryRef DisplayDictionary(const contracts::Recordset& row) {
  const rt::Variant& localeId = row.Value("LOCALEID");
  auto currency = rt::Dictionary::Create();
  currency->Add("CURRENCYCODE", rt::Variant(rt::CStr(row.Value("CURRENCYCODE"))));
  currency->Add("CURRENCYNAME", rt::Variant(infra::Gen_NullToString(row.Value("CURRENCYNAME"))));
  currency->Add("HOMECURRENCY", FlagText(row.Value("HOMECURRENCY")));
  currency->Add("EURO", FlagText(row.Value("EURO")));
  currency->Add("EPC", FlagText(row.Value("EPC")));
  currency->Add("DECIMALS", rt::Variant(rt::CStr(row.Value("DECIMALS"))));
  currency->Add("LOCALEID", localeId.IsNull() ? localeId : rt::Variant(rt::CInt(localeId)));
  return currency;
}

}  // namespace

contracts::RecordsetRef Currency::GetCurrencies() {
  contracts::ConnectionRef connection;
  return infra::RunHandled({kGetCurrenciesMethod}, connection, [&] {
    connection = OpenCurrencyConnection();
    contracts::RecordsetRef currencies = infra::Sql_GetReadonlyRecordset(kCurrenciesSql, *connection);
    currencies->Detach();
    infra::Sql_CloseConnection(connection);
    return currencies->Clone();
  });
}

rt::DictionaryRef Currency::GetCurrenciesInDictionary() {
  const infra::MethodHandler handler{kGetCurrenciesInDictionaryMethod, infra::FailureInfo::None, true,
                                     UnexpectedGetCurrency};
  return infra::RunHandled(handler, [&] {
    contracts::RecordsetRef currencies = GetCurrencies();
    auto codes = rt::Dictionary::Create();
    for (; !currencies->IsEOF(); currencies->MoveNext()) {
      const rt::Variant& code = currencies->Value("CURRENCYCODE");
      codes->Add(code, code);
    }
    return codes;
  });
}

rt::DictionaryRef Currency::GetCurrencyAsDict(rt::Variant& istrCurrencyCode) {
  const infra::MethodHandler handler{kGetCurrencyAsDictMethod, infra::FailureInfo::None, false,
                                     UnexpectedGetCurrencyAsDict};
  contracts::ConnectionRef connection;
  rt::DictionaryRef currency = infra::RunHandled(handler, connection, [&] {
    const std::string sql =
        "SELECT CURRENCYCODE, CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM "
        "CURRENCY WHERE CURRENCYCODE='" +
        infra::Gen_SqlQuote(rt::CStr(istrCurrencyCode)) + "'";
    connection = OpenCurrencyConnection();
    contracts::RecordsetRef row = connection->Execute(sql);
    rt::DictionaryRef found = row->IsEOF() ? rt::DictionaryRef() : DisplayDictionary(*row);
    infra::Sql_CloseConnection(connection);
    return found;
  });
  if (currency) return currency;

  // Not found is the caller's business, not a failure: it is raised past
  // the handler, so it is not logged.
  try {
    infra::Mts_SetAbort();
  } catch (...) {
    // The vote is best effort; the caller learns of the missing currency.
  }
  infra::Err_RaiseRecord(rt::ErrorRecord{CurrencyNotFound, kGetCurrencyAsDictSource,
                                         "Currency " + rt::CStr(istrCurrencyCode) + " not found", "",
                                         0});
}

}  // namespace korvo::common
