// TCurrency: maintenance of the currency master data (ProgID
// "KorvoCommon.TCurrency", transaction required). Typed methods add, change
// and delete currencies and rates after checking them; script methods and
// the BusinessRules interface take the same writes as data objects and
// answer with message codes in a Korvex.ResultObject instead of raising;
// IReferentialIntegrity answers whether a currency exists.
//
// Every write runs in the caller's transaction and votes: commit on
// success, abort on failure. Failures are logged and raised again with
// their number, except where a method's comment says "unlogged". Failures
// are reported under the read class's names ("KorvoCommon.Currency.
// AddCurrency"), as callers have always found them in the log.
//
// State: the seven current currency values the currency checks read, and the
// home currency memo the rate checks use (loaded once). Objects are
// single-threaded; create one per request.
#pragma once

#include <string>

#include "currency/currency_values.h"
#include "platform/contracts/business_rules.h"
#include "platform/host/component.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/variant.h"

namespace korvo::infra {
class Findings;
}  // namespace korvo::infra

namespace korvo::common {

class TCurrency final : public host::Component,
                        public contracts::BusinessRules,
                        public contracts::ReferentialIntegrity {
 public:
  std::string TypeName() const override { return "TCurrency"; }
  const host::DispatchTable& Dispatch() const override;

  // Store the arguments as the current values, check them (MissingCurrencyCode
  // .. DuplicateEuroCurrency, logged) and insert or update the CURRENCY row.
  // An update that matches no row still returns true.
  bool AddCurrency(rt::Variant& i_vCurrencyCode, rt::Variant& i_vCurrencyName,
                   rt::Variant& i_vHomeCurrency, rt::Variant& i_vEuroCurrency, rt::Variant& i_vEPC,
                   rt::Variant& i_vDecimals, rt::Variant& i_vLocaleID);
  bool UpdateCurrency(rt::Variant& i_vCurrencyCode, rt::Variant& i_vCurrencyName,
                      rt::Variant& i_vHomeCurrency, rt::Variant& i_vEuroCurrency, rt::Variant& i_vEPC,
                      rt::Variant& i_vDecimals, rt::Variant& i_vLocaleID);
  // Deletes the currency and its rates when Korvex.ReferentialChecker allows
  // it (else ReferentialDelete, logged). A Null or Empty code raises
  // MissingCurrencyCode unlogged.
  bool DeleteCurrency(rt::Variant& i_vCurrencyCode);
  // The older delete: false (nothing raised) when the referential checker
  // refuses; raises -2147221404 "Currency not present" when no currency row
  // was deleted. Removes the currency's rates with it.
  bool CurrencyDelete(std::string iCurrencyCode);
  // Check the rate (unlogged errors: the rate checks run before the method's
  // handler) and insert or update it. The EPC argument is only checked: the
  // rate table has no such column.
  bool AddCurrencyRate(rt::Variant& iCurrencyCode, rt::Variant& iEffectiveDate, rt::Variant& iExpiryDate,
                       rt::Variant& iHomeSalesRate, rt::Variant& iEuroSalesRate,
                       rt::Variant& iRateFactor, rt::Variant& iEPC);
  bool UpdateCurrencyRate(rt::Variant& iCurrencyCode, rt::Variant& iEffectiveDate,
                          rt::Variant& iExpiryDate, rt::Variant& iHomeSalesRate,
                          rt::Variant& iEuroSalesRate, rt::Variant& iRateFactor, rt::Variant& iEPC);
  // MissingCurrencyCode, then MissingEffectiveDate, both unlogged.
  bool DeleteCurrencyRate(rt::Variant& iCurrencyCode, rt::Variant& iEffectiveDate);

  // Build a data object from the column names in iKeyArray (any letter
  // case) and the values at the same indexes of iValuesArray, and pass it
  // through the business rules. Tables "CURRENCY" and "CURRENCYRATE" (exact
  // case); any other table returns null. Delete takes only the key columns.
  rt::ObjectRef InsertFromScript(std::string iTableName, rt::Variant& iKeyArray,
                                 rt::Variant& iValuesArray);
  rt::ObjectRef UpdateFromScript(std::string iTableName, rt::Variant& iKeyArray,
                                 rt::Variant& iValuesArray);
  rt::ObjectRef DeleteFromScript(std::string iTableName, rt::Variant& iKeyArray,
                                 rt::Variant& iValuesArray);

  // Commit vote.
  void Release();

  // BusinessRules: the data object (a dictionary with "METAObjectID"
  // "CurrencyDataObject" or "CurrencyRateDataObject", which is removed from
  // it) is checked; every failed rule adds a message code and nothing is
  // written; otherwise the row is written and the builder's result returned.
  // Any other kind returns an empty result. Database failures are logged and
  // raised.
  rt::ObjectRef BusinessRules_GetInstance(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Insert(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Update(rt::Variant& dataObject) override;
  rt::ObjectRef BusinessRules_Delete(rt::Variant& dataObject) override;
  // True when a key named CURRENCYCODE (any letter case) names an existing
  // currency; the origin and other keys take no part.
  bool IReferentialIntegrity_Exists(const std::string& origin, rt::Variant& keys,
                                    rt::Variant& values) override;
  // A commit vote; always true.
  bool IReferentialIntegrity_BeforeDelete(const std::string& origin, rt::Variant& keys,
                                          rt::Variant& values) override;

 private:
  using Rule = rt::ObjectRef (TCurrency::*)(rt::Dictionary& data);
  using RulesEntry = rt::ObjectRef (TCurrency::*)(rt::Variant& dataObject);

  bool WriteCurrency(const char* method, bool isInsert);
  bool WriteRate(const char* method, const RateValues& rate, bool isInsert);
  // The rate checks with this object's home currency memo.
  void CheckRateWithHome(const RateValues& rate, bool isInsert);

  // Script methods and rule entry points share one shape each.
  rt::ObjectRef RunScript(const char* method, const std::string& table, rt::Variant& keys,
                          rt::Variant& values, bool keysOnly, RulesEntry rules);
  rt::ObjectRef ApplyRules(const char* method, rt::Variant& dataObject, Rule currencyRule,
                           Rule rateRule);

  rt::ObjectRef InsertCurrencyByRules(rt::Dictionary& data);
  rt::ObjectRef UpdateCurrencyByRules(rt::Dictionary& data);
  rt::ObjectRef DeleteCurrencyByRules(rt::Dictionary& data);
  rt::ObjectRef InsertRateByRules(rt::Dictionary& data);
  rt::ObjectRef UpdateRateByRules(rt::Dictionary& data);
  rt::ObjectRef DeleteRateByRules(rt::Dictionary& data);
  // Load the data object into the check values and run the checks, turning
  // a failure into its message.
  void CheckCurrencyFindings(const rt::Dictionary& data, const char* unmappedPrefix,
                             infra::Findings& findings);
  void CheckRateFindings(const rt::Dictionary& data, bool isInsert, infra::Findings& findings);

  CurrencyValues current_;
  rt::DictionaryRef homeMemo_;
};

}  // namespace korvo::common
