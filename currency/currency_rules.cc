// TCurrency's business rules, script methods and referential integrity:
// script writes of currencies and rates are checked rule by rule, every
// failed rule adds its message code, and the row is written only when none
// failed.
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "currency/currency_checks.h"
#include "currency/currency_store.h"
#include "currency/tcurrency.h"
#include "infrastructure/components.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/rule_findings.h"
#include "infrastructure/script_data_object.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "infrastructure/validate.h"
#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

constexpr const char* kCurrencyKind = "CurrencyDataObject";
constexpr const char* kRateKind = "CurrencyRateDataObject";

constexpr const char* kInsertFromScriptMethod = "KorvoCommon.Currency.InsertFromScript";
constexpr const char* kUpdateFromScriptMethod = "KorvoCommon.Currency.UpdateFromScript";
constexpr const char* kDeleteFromScriptMethod = "KorvoCommon.Currency.DeleteFromScript";
constexpr const char* kRulesInsertMethod = "KorvoCommon.Currency.BusinessRules_Insert";
constexpr const char* kRulesUpdateMethod = "KorvoCommon.Currency.BusinessRules_Update";
constexpr const char* kRulesDeleteMethod = "KorvoCommon.Currency.BusinessRules_Delete";
constexpr const char* kExistsMethod = "KorvoCommon.Currency.IReferentialIntegrity_Exists";

constexpr const char* kIntegrityConflict = "internal referential integrity conflict";
constexpr const char* kEmptyKey = "Primary key field is empty";
constexpr const char* kEmptyHomeRate = "HomeSalesRate is empty";
constexpr const char* kInvalidRatePrefix = "No valid currency rate : ";
constexpr const char* kInvalidCurrencyPrefix = "No valid currency : ";

// The columns of each table in the order a data object lists them; the
// leading ones identify the row.
constexpr const char* kCurrencyColumns[] = {"CURRENCYCODE", "CURRENCYNAME", "HOMECURRENCY", "EURO",
                                            "EPC",          "DECIMALS",     "LOCALEID"};
constexpr const char* kCurrencyTypes[] = {"String",  "String",  "Boolean", "Boolean",
                                          "Boolean", "Integer", "Integer"};
constexpr const char* kRateColumns[] = {"CURRENCYCODE",  "EFFECTIVEDATE", "EXPIRYDATE",
                                        "HOMESALESRATE", "EUROSALESRATE", "RATEFACTOR"};
constexpr const char* kRateTypes[] = {"String", "Date", "Date", "Double", "Double", "Integer"};
constexpr const char* kHomeRateColumn[] = {"HOMESALESRATE"};

constexpr infra::ScriptTable kScriptTables[] = {
    {"CURRENCY", kCurrencyKind, kCurrencyColumns, 1},
    {"CURRENCYRATE", kRateKind, kRateColumns, 2},
};

const infra::DeclaredTypes& CurrencyTypes() {
  static const infra::DeclaredTypes types(kCurrencyColumns, kCurrencyTypes);
  return types;
}

const infra::DeclaredTypes& RateTypes() {
  static const infra::DeclaredTypes types(kRateColumns, kRateTypes);
  return types;
}

constexpr infra::RequiredField kRequiredCurrencyFields[] = {
    {"CURRENCYCODE", "SLBCO5017"}, {"CURRENCYNAME", "SLBCO5018"}, {"HOMECURRENCY", "SLBCO5022"},
    {"EURO", "SLBCO5021"},         {"EPC", "SLBCO5020"},          {"DECIMALS", "SLBCO5019"},
};

// The message each currency-check error becomes.
struct CheckMessage {
  KorvoCommonError number;
  const char* message;
};
constexpr CheckMessage kCurrencyCheckMessages[] = {
    {MissingCurrencyCode, "SLBCO5017"},
    {MissingCurrencyName, "SLBCO5018"},
    {MissingHomeCurrency, "SLBCO5022"},
    {MissingEuroCurrency, "SLBCO5021"},
    {MissingEPC, "SLBCO5020"},
    {MissingDecimals, "SLBCO5019"},
    {InvalidDecimals, "SLBCO5011"},
    {InvalidLocaleID, "SLBCO5015"},
    {DuplicateHomeCurrency, "SLBCO5006"},
    {DuplicateEuroCurrency, "SLBCO5005"},
};

// Tables whose rows still using a currency keep it from being deleted.
struct TableMessage {
  const char* table;
  const char* message;
};
constexpr TableMessage kCurrencyUsers[] = {
    {"CURRENCYRATE", "SLBCO4027"}, {"OFFICE", "SLBCO4028"}, {"BUSINESSPARTNER", "SLBCO4029"}};

std::string CurrencyCheckMessage(const rt::ErrorRecord& error, const char* unmappedPrefix) {
  for (const CheckMessage& mapped : kCurrencyCheckMessages) {
    if (mapped.number == error.Number) return mapped.message;
  }
  return unmappedPrefix + error.Description;
}

// The euro itself is always stored as euro-participating.
void MarkEuroParticipating(rt::Dictionary& data) {
  if (infra::IsTrue(infra::ValueOf(data, "EURO"))) data.Set("EPC", rt::Variant(true));
}

// The entries written to CURRENCYRATE: all but the participation flag, which
// belongs to the currency, not to its rates.
rt::DictionaryRef RateRow(const rt::Dictionary& data) {
  auto row = rt::Dictionary::Create();
  for (const auto& entry : data.Entries()) {
    if (!rt::Equals(entry.key, rt::Variant("EPC"))) row->Add(entry.key, entry.item);
  }
  return row;
}

rt::Variant KeyArray(std::span<const char* const> names) { return rt::Variant(infra::TextArray(names)); }

}  // namespace

// --- Script methods ---

rt::ObjectRef TCurrency::InsertFromScript(std::string iTableName, rt::Variant& iKeyArray,
                                          rt::Variant& iValuesArray) {
  return RunScript(kInsertFromScriptMethod, iTableName, iKeyArray, iValuesArray, false,
                   &TCurrency::BusinessRules_Insert);
}

rt::ObjectRef TCurrency::UpdateFromScript(std::string iTableName, rt::Variant& iKeyArray,
                                          rt::Variant& iValuesArray) {
  return RunScript(kUpdateFromScriptMethod, iTableName, iKeyArray, iValuesArray, false,
                   &TCurrency::BusinessRules_Update);
}

rt::ObjectRef TCurrency::DeleteFromScript(std::string iTableName, rt::Variant& iKeyArray,
                                          rt::Variant& iValuesArray) {
  return RunScript(kDeleteFromScriptMethod, iTableName, iKeyArray, iValuesArray, true,
                   &TCurrency::BusinessRules_Delete);
}

rt::ObjectRef TCurrency::RunScript(const char* method, const std::string& table, rt::Variant& keys,
                                   rt::Variant& values, bool keysOnly, RulesEntry rules) {
  return infra::RunHandled(infra::AbortingHandler(method), [&] {
    rt::ObjectRef result;
    if (const infra::ScriptTable* known = infra::FindScriptTable(kScriptTables, table)) {
      rt::Variant data(infra::BuildDataObject(*known, keysOnly, keys.AsArray(), values.AsArray()));
      result = (this->*rules)(data);
    }
    infra::Mts_SetComplete();
    return result;
  });
}

// --- BusinessRules ---

rt::ObjectRef TCurrency::BusinessRules_GetInstance(rt::Variant&) { return rt::ObjectRef(); }

rt::ObjectRef TCurrency::BusinessRules_Insert(rt::Variant& dataObject) {
  return ApplyRules(kRulesInsertMethod, dataObject, &TCurrency::InsertCurrencyByRules,
                    &TCurrency::InsertRateByRules);
}

rt::ObjectRef TCurrency::BusinessRules_Update(rt::Variant& dataObject) {
  return ApplyRules(kRulesUpdateMethod, dataObject, &TCurrency::UpdateCurrencyByRules,
                    &TCurrency::UpdateRateByRules);
}

rt::ObjectRef TCurrency::BusinessRules_Delete(rt::Variant& dataObject) {
  return ApplyRules(kRulesDeleteMethod, dataObject, &TCurrency::DeleteCurrencyByRules,
                    &TCurrency::DeleteRateByRules);
}

rt::ObjectRef TCurrency::ApplyRules(const char* method, rt::Variant& dataObject, Rule currencyRule,
                                    Rule rateRule) {
  return infra::RunHandled(infra::AbortingHandler(method), [&] {
    const rt::DictionaryRef data = dataObject.As<rt::Dictionary>();
    if (!data) rt::Raise(rt::errnum::kObjectNotSet);
    const rt::Variant kind = infra::TakeKind(*data);
    rt::ObjectRef result;
    if (rt::Equals(kind, rt::Variant(kCurrencyKind))) {
      result = (this->*currencyRule)(*data);
    } else if (rt::Equals(kind, rt::Variant(kRateKind))) {
      result = (this->*rateRule)(*data);
    } else {
      result = infra::Findings().Result();
    }
    infra::Mts_SetComplete();
    return result;
  });
}

rt::ObjectRef TCurrency::InsertCurrencyByRules(rt::Dictionary& data) {
  infra::Findings findings;
  MarkEuroParticipating(data);
  findings.AppendUnlessPassed(
      infra::Val_CheckDataTypes(data, CurrencyTypes().names, CurrencyTypes().types));
  infra::RequireFilled(data, kRequiredCurrencyFields, findings);
  // A Null code is a missing code, reported above; it names no currency.
  const rt::Variant code = infra::ValueOf(data, "CURRENCYCODE");
  if (CurrencyExists(infra::Gen_NullToString(code))) findings.Add("SLBCO5040");
  if (findings.Passed()) {
    rt::Variant names = KeyArray(std::span(kCurrencyColumns).first(1));
    rt::Variant values(rt::Array({code}));
    if (IReferentialIntegrity_Exists("CURRENCY", names, values)) findings.Add(kIntegrityConflict);
  }
  // The checks run whatever was found so far, so a message may appear twice.
  CheckCurrencyFindings(data, "", findings);
  if (!findings.Passed()) return findings.Result();
  return infra::Sql_InsertTable("CURRENCY", data, OpenConfiguredConnection());
}

rt::ObjectRef TCurrency::UpdateCurrencyByRules(rt::Dictionary& data) {
  infra::Findings findings;
  MarkEuroParticipating(data);
  infra::RequireFilledKeys(data, std::span(kCurrencyColumns).first(1), "SLBCO5017", findings);
  infra::RequireFilled(data, std::span(kRequiredCurrencyFields).subspan(1), findings);
  CheckCurrencyFindings(data, kInvalidCurrencyPrefix, findings);
  if (!findings.Passed()) return findings.Result();
  const rt::DictionaryRef keys = infra::KeyDictionary(data, std::span(kCurrencyColumns).first(1));
  return infra::Sql_UpdateTable("CURRENCY", data, *keys, OpenConfiguredConnection());
}

rt::ObjectRef TCurrency::DeleteCurrencyByRules(rt::Dictionary& data) {
  infra::Findings findings;
  for (const TableMessage& user : kCurrencyUsers) {
    contracts::ConnectionRef connection = OpenCurrencyConnection();
    infra::ScopedClose<contracts::ConnectionRef> closing(connection);
    if (infra::Sql_ExistsInTable(user.table, data, rt::Variant("CURRENCYCODE"), "CURRENCYCODE",
                                 connection)) {
      findings.Add(user.message);
    }
  }
  if (findings.Passed() && !CurrencyDelete(rt::CStr(infra::ValueOf(data, "CURRENCYCODE")))) {
    findings.Add("SLBCO4026");
  }
  return findings.Result();
}

rt::ObjectRef TCurrency::InsertRateByRules(rt::Dictionary& data) {
  infra::Findings findings;
  findings.AppendUnlessPassed(infra::Val_CheckDataTypes(data, RateTypes().names, RateTypes().types));
  const auto keyColumns = std::span(kRateColumns).first(2);
  infra::RequireFilledKeys(data, keyColumns, kEmptyKey, findings);
  infra::RequireFilledKeys(data, kHomeRateColumn, kEmptyHomeRate, findings);
  if (findings.Passed()) {
    // A rate needs its currency.
    rt::Variant names = KeyArray(keyColumns);
    rt::Variant values(
        rt::Array({infra::ValueOf(data, "CURRENCYCODE"), infra::ValueOf(data, "EFFECTIVEDATE")}));
    if (!IReferentialIntegrity_Exists("CURRENCYRATE", names, values)) {
      findings.Add(kIntegrityConflict);
    }
  }
  CheckRateFindings(data, true, findings);
  if (!findings.Passed()) return findings.Result();
  return infra::Sql_InsertTable("CURRENCYRATE", *RateRow(data), OpenConfiguredConnection());
}

rt::ObjectRef TCurrency::UpdateRateByRules(rt::Dictionary& data) {
  infra::Findings findings;
  const auto keyColumns = std::span(kRateColumns).first(2);
  infra::RequireFilledKeys(data, keyColumns, kEmptyKey, findings);
  CheckRateFindings(data, false, findings);
  if (!findings.Passed()) return findings.Result();
  return infra::Sql_UpdateTable("CURRENCYRATE", *RateRow(data), *infra::KeyDictionary(data, keyColumns),
                                OpenConfiguredConnection());
}

rt::ObjectRef TCurrency::DeleteRateByRules(rt::Dictionary& data) {
  infra::Findings findings;
  rt::Variant code = infra::ValueOf(data, "CURRENCYCODE");
  rt::Variant effective = infra::ValueOf(data, "EFFECTIVEDATE");
  if (!DeleteCurrencyRate(code, effective)) findings.Add("SLBCO4030");
  return findings.Result();
}

void TCurrency::CheckCurrencyFindings(const rt::Dictionary& data, const char* unmappedPrefix,
                                      infra::Findings& findings) {
  const rt::Variant localeId = infra::ValueOf(data, "LOCALEID");
  current_ = CurrencyValues{infra::ValueOf(data, "CURRENCYCODE"),
                            infra::ValueOf(data, "CURRENCYNAME"),
                            infra::ValueOf(data, "HOMECURRENCY"),
                            infra::ValueOf(data, "EURO"),
                            infra::ValueOf(data, "EPC"),
                            infra::ValueOf(data, "DECIMALS"),
                            localeId.IsEmpty() ? rt::Variant::Null() : localeId};
  try {
    CheckCurrency(current_);
  } catch (...) {
    findings.Add(CurrencyCheckMessage(rt::CurrentError(), unmappedPrefix));
  }
}

void TCurrency::CheckRateFindings(const rt::Dictionary& data, bool isInsert, infra::Findings& findings) {
  RateValues rate{infra::ValueOf(data, "CURRENCYCODE"),
                  infra::ValueOf(data, "EFFECTIVEDATE"),
                  infra::ValueOf(data, "EXPIRYDATE"),
                  infra::ValueOf(data, "HOMESALESRATE"),
                  infra::ValueOf(data, "EUROSALESRATE"),
                  infra::ValueOf(data, "RATEFACTOR"),
                  infra::ValueOf(data, "EPC")};
  // Callers rarely know the flag of the currency a rate belongs to: when the
  // data object has none, the currency's own row tells.
  if (rate.epc.IsNullOrEmpty()) rate.epc = CurrencyEpcFlag(rate.code);
  try {
    CheckRateWithHome(rate, isInsert);
  } catch (...) {
    findings.Add(kInvalidRatePrefix + rt::CurrentError().Description);
  }
}

// --- IReferentialIntegrity ---

bool TCurrency::IReferentialIntegrity_Exists(const std::string&, rt::Variant& keys,
                                             rt::Variant& values) {
  return infra::RunHandled(infra::AbortingHandler(kExistsMethod), [&] {
    const rt::Array& names = keys.AsArray();
    bool exists = false;
    for (std::int32_t i = names.LBound(); i <= names.UBound(); ++i) {
      if (!infra::NamesColumn(names.At(i), "CURRENCYCODE")) continue;
      exists = CurrencyExists(infra::Gen_NullToString(values.AsArray().At(i)));
    }
    return exists;
  });
}

bool TCurrency::IReferentialIntegrity_BeforeDelete(const std::string&, rt::Variant&, rt::Variant&) {
  Release();
  return true;
}

}  // namespace korvo::common
