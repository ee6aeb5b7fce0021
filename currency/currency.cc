#include "currency/currency.h"

#include "currency/currency_store.h"
#include "infrastructure/components.h"
#include "infrastructure/interface_members.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/script_data_object.h"
#include "infrastructure/sql_access.h"
#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

constexpr const char* kHomeCurrencySql =
    "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY "
    "WHERE HOMECURRENCY=1";
constexpr const char* kEuroCurrencySql =
    "SELECT CURRENCYCODE, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY WHERE EURO=1";
constexpr const char* kCurrencySql =
    "SELECT CURRENCYNAME, HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID FROM CURRENCY "
    "WHERE CURRENCYCODE=?";

constexpr const char* kGetHomeCurrencyMethod = "KorvoCommon.Currency.GetHomeCurrency";
constexpr const char* kGetEuroCurrencyMethod = "KorvoCommon.Currency.GetEuroCurrency";
constexpr const char* kGetCurrencyMethod = "KorvoCommon.Currency.GetCurrency";

// LOCALEID stays Null when the column is NULL, else it is a 16-bit integer.
rt::Variant LocaleIdOf(const rt::Variant& column) {
  return column.IsNull() ? rt::Variant::Null() : rt::Variant(rt::CInt(column));
}

// Names keep their Null; anything else loses its surrounding blanks.
rt::Variant TrimmedText(const rt::Variant& column) {
  return column.IsNull() ? rt::Variant::Null() : rt::Variant(rt::Trim(rt::CStr(column)));
}

rt::DictionaryRef CurrencyDictionary(const contracts::Recordset& row) {
  auto currency = rt::Dictionary::Create();
  currency->Add("CURRENCYCODE", rt::Variant(rt::Trim(rt::CStr(row.Value("CURRENCYCODE")))));
  currency->Add("HOMECURRENCY", rt::Variant(infra::IsTrue(row.Value("HOMECURRENCY"))));
  currency->Add("EURO", rt::Variant(infra::IsTrue(row.Value("EURO"))));
  currency->Add("EPC", rt::Variant(infra::IsTrue(row.Value("EPC"))));
  currency->Add("DECIMALS", rt::Variant(rt::CInt(row.Value("DECIMALS"))));
  currency->Add("LOCALEID", LocaleIdOf(row.Value("LOCALEID")));
  return currency;
}

// The code of a memo, "" when there is none; every failure is swallowed.
template <class Load>
std::string MemoCode(Load load) {
  return infra::NeverRaising(std::string(), [&] {
    rt::DictionaryRef memo = load();
    return memo ? rt::CStr(infra::ValueOf(*memo, "CURRENCYCODE")) : std::string();
  });
}

}  // namespace

rt::Variant Currency::GetError() { return rt::Variant(""); }

void Currency::SetHomeCurrencyObject(rt::DictionaryRef& iHomeCurrencyObject) {
  homeMemo_ = iHomeCurrencyObject;
}

rt::DictionaryRef Currency::GetHomeCurrencyObject() { return GetHomeCurrency(); }

rt::DictionaryRef Currency::GetHomeCurrency() {
  return LoadMemo(homeMemo_, kHomeCurrencySql, kGetHomeCurrencyMethod);
}

rt::DictionaryRef Currency::GetEuroCurrency() {
  return LoadMemo(euroMemo_, kEuroCurrencySql, kGetEuroCurrencyMethod);
}

rt::DictionaryRef Currency::LoadMemo(rt::DictionaryRef& memo, const char* sql, std::string_view method) {
  if (memo) return memo;
  contracts::ConnectionRef connection;
  return infra::RunHandled({method}, connection, [&] {
    connection = OpenCurrencyConnection();
    contracts::RecordsetRef rows = connection->Execute(sql, {}, nullptr, 1);
    if (!rows->IsEOF()) memo = CurrencyDictionary(*rows);
    infra::Sql_CloseConnection(connection);
    return memo;
  });
}

std::string Currency::GetHomeCurrencyCode() {
  return MemoCode([this] { return GetHomeCurrency(); });
}

std::string Currency::GetEuroCurrencyCode() {
  return MemoCode([this] { return GetEuroCurrency(); });
}

bool Currency::GetCurrency(rt::Variant& iCurrencyCode) {
  if (iCurrencyCode.IsNullOrEmpty()) {
    RaiseCurrencyError(MissingCurrencyCode, "MissingCurrencyCode");
  }
  contracts::ConnectionRef connection;
  return infra::RunHandled({kGetCurrencyMethod}, connection, [&] {
    connection = OpenCurrencyConnection();
    const contracts::Parameter params[] = {
        InputParameter("CurrencyCode", contracts::ParamType::FixedText, iCurrencyCode, 3)};
    contracts::RecordsetRef row = connection->Execute(kCurrencySql, params, nullptr, 1);
    if (row->IsEOF()) {
      RaiseCurrencyError(CurrencyNotFound, "Currency '" + rt::CStr(iCurrencyCode) + "' not found");
    }
    properties_ = CurrencyValues{iCurrencyCode,
                                 TrimmedText(row->Value("CURRENCYNAME")),
                                 rt::Variant(infra::IsTrue(row->Value("HOMECURRENCY"))),
                                 rt::Variant(infra::IsTrue(row->Value("EURO"))),
                                 rt::Variant(infra::IsTrue(row->Value("EPC"))),
                                 rt::Variant(rt::CInt(row->Value("DECIMALS"))),
                                 LocaleIdOf(row->Value("LOCALEID"))};
    infra::Sql_CloseConnection(connection);
    return true;
  });
}

void Currency::Release() { infra::Mts_SetComplete(); }

const host::DispatchTable& Currency::Dispatch() const {
  static const host::DispatchTable table = [] {
    auto members = host::DispatchTable::For<Currency>();
    members.Property("CurrencyCode", &Currency::CurrencyCode, &Currency::SetCurrencyCode)
        .Property("CurrencyName", &Currency::CurrencyName, &Currency::SetCurrencyName)
        .Property("HomeCurrency", &Currency::HomeCurrency, &Currency::SetHomeCurrency)
        .Property("EuroCurrency", &Currency::EuroCurrency, &Currency::SetEuroCurrency)
        .Property("LocaleID", &Currency::LocaleID, &Currency::SetLocaleID)
        .Property("EPC", &Currency::EPC, &Currency::SetEPC)
        .Property("Decimals", &Currency::Decimals, &Currency::SetDecimals)
        .Method("GetError", &Currency::GetError)
        .Method("SetHomeCurrencyObject", &Currency::SetHomeCurrencyObject)
        .Method("GetHomeCurrencyObject", &Currency::GetHomeCurrencyObject)
        .Method("GetHomeCurrency", &Currency::GetHomeCurrency)
        .Method("GetEuroCurrency", &Currency::GetEuroCurrency)
        .Method("ConvertTo", &Currency::ConvertTo)
        .Method("ConvertAmount", &Currency::ConvertAmount)
        .Method("GetCurrency", &Currency::GetCurrency)
        .Method("GetCurrencyRate", &Currency::GetCurrencyRate)
        .Method("AddCurrency", &Currency::AddCurrency)
        .Method("UpdateCurrency", &Currency::UpdateCurrency)
        .Method("DeleteCurrency", &Currency::DeleteCurrency)
        .Method("CurrencyDelete", &Currency::CurrencyDelete)
        .Method("AddCurrencyRate", &Currency::AddCurrencyRate)
        .Method("UpdateCurrencyRate", &Currency::UpdateCurrencyRate)
        .Method("DeleteCurrencyRate", &Currency::DeleteCurrencyRate)
        .Method("GetSpecificCurrencyRate", &Currency::GetSpecificCurrencyRate)
        .Method("GetCurrencies", &Currency::GetCurrencies)
        .Method("GetCurrenciesInDictionary", &Currency::GetCurrenciesInDictionary)
        .Method("GetCurrencyAsDict", &Currency::GetCurrencyAsDict)
        .Method("Release", &Currency::Release)
        .Method("InsertFromScript", &Currency::InsertFromScript)
        .Method("UpdateFromScript", &Currency::UpdateFromScript)
        .Method("DeleteFromScript", &Currency::DeleteFromScript)
        .Method("GetEuroCurrencyCode", &Currency::GetEuroCurrencyCode)
        .Method("GetHomeCurrencyCode", &Currency::GetHomeCurrencyCode)
        .Method("HasValidCurrencyRate", &Currency::HasValidCurrencyRate)
        .Method("HasValidCurrencyRateEx", &Currency::HasValidCurrencyRateEx)
        .Method("CanConvertToHomeCurrency", &Currency::CanConvertToHomeCurrency)
        .Method("GetCurrencyCodesHavingValidCurrencyRate",
                &Currency::GetCurrencyCodesHavingValidCurrencyRate)
        .Method("GetCurrencyCodesHavingAnyCurrencyRate",
                &Currency::GetCurrencyCodesHavingAnyCurrencyRate)
        .Method("GetCurrencyCodesHavingNoValidCurrencyRate",
                &Currency::GetCurrencyCodesHavingNoValidCurrencyRate)
        .Method("AreCurrencyRatesValid", &Currency::AreCurrencyRatesValid);
    infra::AddBusinessRulesMembers(members);
    infra::AddReferentialIntegrityMembers(members);
    infra::AddObjectControlMembers(members);
    return members.Build();
  }();
  return table;
}

}  // namespace korvo::common
