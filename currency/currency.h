// Currency: the read side of the currency master data (ProgID
// "KorvoCommon.Currency"). It loads one currency into its properties, hands
// out the home and euro currencies as dictionaries, reads exchange rates,
// tests their validity on a date, converts amounts between currencies and
// lists currencies. Its former write methods only fail, naming the TCurrency
// method that replaced them.
//
// State: the properties of the currency last loaded (GetCurrency, and every
// rate or conversion operation that loads one) and the home and euro memos,
// filled on first use and kept for the object's life. Nothing is shared with
// other objects.
//
// Errors: every database operation reports its failures through its own
// handler (logged through Korvex.Log, raised again with the same number);
// the numbers are KorvoCommonError's. Each method's comment names the errors
// raised without logging. Objects are single-threaded; create one per
// request.
#pragma once

#include <string>

#include "currency/currency_values.h"
#include "platform/contracts/business_rules.h"
#include "platform/contracts/database.h"
#include "platform/host/component.h"
#include "platform/runtime/date.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/money.h"
#include "platform/runtime/variant.h"

namespace korvo::common {

// The three rate figures the conversion formulas use (a NULL rate reads 0).
struct RateFigures {
  double home = 0.0;    // HOMESALESRATE
  double euro = 0.0;    // EUROSALESRATE
  double factor = 0.0;  // RATEFACTOR
};

class Currency final : public host::Component,
                       public host::ObjectControl,
                       public contracts::BusinessRules,
                       public contracts::ReferentialIntegrity {
 public:
  std::string TypeName() const override { return "Currency"; }
  const host::DispatchTable& Dispatch() const override;

  // Properties: stored and returned unchanged; writing them touches no data.
  rt::Variant CurrencyCode() const { return properties_.code; }
  void SetCurrencyCode(rt::Variant value) { properties_.code = std::move(value); }
  rt::Variant CurrencyName() const { return properties_.name; }
  void SetCurrencyName(rt::Variant value) { properties_.name = std::move(value); }
  rt::Variant HomeCurrency() const { return properties_.home; }
  void SetHomeCurrency(rt::Variant value) { properties_.home = std::move(value); }
  rt::Variant EuroCurrency() const { return properties_.euro; }
  void SetEuroCurrency(rt::Variant value) { properties_.euro = std::move(value); }
  rt::Variant LocaleID() const { return properties_.localeId; }
  void SetLocaleID(rt::Variant value) { properties_.localeId = std::move(value); }
  rt::Variant EPC() const { return properties_.epc; }
  void SetEPC(rt::Variant value) { properties_.epc = std::move(value); }
  rt::Variant Decimals() const { return properties_.decimals; }
  void SetDecimals(rt::Variant value) { properties_.decimals = std::move(value); }

  // Always the empty text.
  rt::Variant GetError();

  // Replaces the home memo with the caller's dictionary, unchecked; the
  // home look-ups and ConvertAmount then use it as it is.
  void SetHomeCurrencyObject(rt::DictionaryRef& iHomeCurrencyObject);
  rt::DictionaryRef GetHomeCurrencyObject();

  // The home (euro) currency as a currency dictionary (CURRENCYCODE,
  // HOMECURRENCY, EURO, EPC, DECIMALS, LOCALEID), or null when the table has
  // none. The first one found is memoised: later calls return the same
  // dictionary without reading the database. When none exists the next call
  // reads again.
  rt::DictionaryRef GetHomeCurrency();
  rt::DictionaryRef GetEuroCurrency();
  // The memo's code, or "" when there is none or the look-up failed; never
  // raises or logs by itself.
  std::string GetHomeCurrencyCode();
  std::string GetEuroCurrencyCode();

  // Loads the currency into the properties (CurrencyCode keeps the argument
  // as passed) and returns true. A Null or Empty code raises
  // MissingCurrencyCode unlogged; an unknown code raises CurrencyNotFound
  // ("Currency 'XYZ' not found"). On failure the properties are unchanged.
  bool GetCurrency(rt::Variant& iCurrencyCode);

  // Commit vote; the object's state stays as it is.
  void Release();

  // --- Rates and validity (currency_rates.cc) ---

  // The rate valid at iOrderDate (effective date inclusive, expiry
  // exclusive) as a rate dictionary; NULL rates read as the Integer 0.
  // Raises MissingCurrencyCode or CurrencyRateNotFound, both logged.
  rt::DictionaryRef GetCurrencyRate(rt::Variant& iCurrencyCode, rt::Date& iOrderDate);
  // The rate whose effective date is exactly iEffectiveDate; NULL rates read
  // as Null. MissingCurrencyCode is raised unlogged, CurrencyRateNotFound
  // logged.
  rt::DictionaryRef GetSpecificCurrencyRate(rt::Variant& iCurrencyCode, rt::Date& iEffectiveDate);
  // Whether the currency can be priced on the date; never raises.
  bool HasValidCurrencyRate(const std::string& istrCurrencyCode, rt::Date idteDate);
  bool HasValidCurrencyRateEx(const std::string& istrCurrencyCode, rt::Date idteDate, bool iblnStrict);
  // Code lists (code -> code, ascending); null on any failure, never raise.
  rt::DictionaryRef GetCurrencyCodesHavingValidCurrencyRate(rt::Date idteDate);
  rt::DictionaryRef GetCurrencyCodesHavingAnyCurrencyRate();
  rt::DictionaryRef GetCurrencyCodesHavingNoValidCurrencyRate(rt::Date idteDate);
  // True when every currency with rates has a valid one on the date.
  bool AreCurrencyRatesValid(rt::Date idteDate);

  // --- Conversion (currency_conversion.cc) ---

  // Converts an amount between two currencies on a date through the home
  // currency (and the euro rates for euro-participating currencies), rounded
  // to the money type, ties to even. Equal codes return the amount at once.
  // Raises CurrencyNotFound (no home currency), EuroRateNotDefined,
  // EuroRateNotDefinedForHomeCurrency, HomeRateNotDefined, the look-ups'
  // errors, Division by zero (11) for a zero rate factor, and Overflow (6)
  // for a result outside the money range; all logged.
  rt::Money ConvertAmount(std::string& iFromCurrencyCode, std::string& iToCurrencyCode,
                          rt::Money& iAmount, rt::Date& iDate);
  // Converts a price and a discount from iFromCurrency (a currency
  // dictionary, taken as the home currency) into iNewCurrencyCode; returns
  // {"PRICE", "DISCOUNTAMOUNT"}. Errors as ConvertAmount, logged.
  rt::DictionaryRef ConvertTo(rt::DictionaryRef& iFromCurrency, rt::Variant& iNewCurrencyCode,
                              rt::Money& iPrice, rt::Money& iDiscountAmount, rt::Date& iOrderDate);
  // Whether one unit of the currency converts to a positive home amount on
  // the date; never raises.
  bool CanConvertToHomeCurrency(const std::string& istrCurrencyCode, rt::Date idteDate);

  // --- Lists (currency_lists.cc) ---

  // All currencies as a disconnected record set.
  contracts::RecordsetRef GetCurrencies();
  // Code -> code of every currency (empty when there are none). Every
  // failure is reported as UnexpectedGetCurrency.
  rt::DictionaryRef GetCurrenciesInDictionary();
  // One currency for display: flags as "True"/"False", DECIMALS as text.
  // An unknown code raises CurrencyNotFound ("Currency XYZ not found")
  // unlogged; every other failure is reported as UnexpectedGetCurrencyAsDict.
  rt::DictionaryRef GetCurrencyAsDict(rt::Variant& istrCurrencyCode);

  // --- Retired writers (currency_retired.cc) ---
  // Each writes nothing and raises -1, logged, with a text naming the
  // TCurrency method that replaced it.
  bool AddCurrency();
  bool UpdateCurrency();
  bool DeleteCurrency();
  bool CurrencyDelete(const std::string& iCurrencyCode);
  bool AddCurrencyRate(rt::Variant& iCurrencyCode, rt::Variant& iEffectiveDate, rt::Variant& iExpiryDate,
                       rt::Variant& iHomeSalesRate, rt::Variant& iEuroSalesRate,
                       rt::Variant& iRateFactor, rt::Variant& iEPC);
  bool UpdateCurrencyRate(rt::Variant& iCurrencyCode, rt::Variant& iEffectiveDate,
                          rt::Variant& iExpiryDate, rt::Variant& iHomeSalesRate,
                          rt::Variant& iEuroSalesRate, rt::Variant& iRateFactor, rt::Variant& iEPC);
  bool DeleteCurrencyRate(rt::Variant& iCurrencyCode, rt::Variant& iEffectiveDate);
  rt::ObjectRef InsertFromScript(const std::string& iTableName, rt::Variant& iKeyArray,
                                 rt::Variant& iValuesArray);
  rt::ObjectRef UpdateFromScript(const std::string& iTableName, rt::Variant& iKeyArray,
                                 rt::Variant& iValuesArray);
  rt::ObjectRef DeleteFromScript(const std::string& iTableName, rt::Variant& iKeyArray,
                                 rt::Variant& iValuesArray);
  rt::ObjectRef BusinessRules_GetInstance(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Insert(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Update(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Delete(rt::Variant& dataObject) override;
  bool IReferentialIntegrity_Exists(const std::string& origin, rt::Variant& keys,
                                    rt::Variant& values) override;
  bool IReferentialIntegrity_BeforeDelete(const std::string& origin, rt::Variant& keys,
                                          rt::Variant& values) override;

  // --- ObjectControl: the object is never pooled and ignores activation.
  void ObjectControl_Activate() override {}
  void ObjectControl_Deactivate() override {}
  bool ObjectControl_CanBePooled() override { return false; }

 private:
  rt::DictionaryRef LoadMemo(rt::DictionaryRef& memo, const char* sql, std::string_view method);
  // The row GetCurrencyRate reads, with its failures reported under its name.
  contracts::RecordsetRef ValidRate(const rt::Variant& code, rt::Date date);
  RateFigures ValidRateFigures(const rt::Variant& code, rt::Date date);
  RateFigures HomeRateFigures(rt::Date date);
  double ToHomeAmount(const std::string& from, double amount, const RateFigures& homeRate,
                      rt::Date date);
  double FromHomeAmount(const std::string& to, double amount, const RateFigures& homeRate,
                        rt::Date date);
  [[noreturn]] static void Retired(std::string_view replacement);

  CurrencyValues properties_;
  rt::DictionaryRef homeMemo_;
  rt::DictionaryRef euroMemo_;
};

}  // namespace korvo::common
