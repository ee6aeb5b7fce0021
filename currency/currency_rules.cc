// TCurrency's business rules, script methods and referential integrity:
// script writes of currencies and rates are checked rule by rule, every
// failed rule adds its message code, and the row is written only when none
// failed.
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

#include "currency/currency_checks.h"
#include "currency/currency_store.h"
#include "currency/method_guard.h"
#include "currency/rule_findings.h"
#include "currency/tcurrency.h"
#include "infrastructure/components.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "infrastructure/validate.h"
#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

constexpr const char* kKindKey = "METAObjectID";
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

struct ScriptTable {
  std::string_view table;
  const char* kind;
  std::span<const char* const> columns;
  std::size_t keyColumns;
};
constexpr ScriptTable kScriptTables[] = {
    {"CURRENCY", kCurrencyKind, kCurrencyColumns, 1},
    {"CURRENCYRATE", kRateKind, kRateColumns, 2},
};

// Declared field types for the data-type check, built once.
struct DeclaredTypes {
  rt::Array names;
  rt::Array types;
};

rt::Array TextArray(std::span<const char* const> texts) {
  std::vector<rt::Variant> items(texts.begin(), texts.end());
  return rt::Array(std::move(items));
}

const DeclaredTypes& CurrencyTypes() {
  static const DeclaredTypes types{TextArray(kCurrencyColumns), TextArray(kCurrencyTypes)};
  return types;
}

const DeclaredTypes& RateTypes() {
  static const DeclaredTypes types{TextArray(kRateColumns), TextArray(kRateTypes)};
  return types;
}

// A required currency field and the message that reports it missing.
struct RequiredField {
  const char* column;
  const char* message;
};
constexpr RequiredField kRequiredCurrencyFields[] = {
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

MethodHandler RulesHandler(const char* method) {
  return MethodHandler{method, FailureInfo::None, true, std::nullopt};
}

// True when the script's name is the column in any letter case.
bool NamesColumn(const rt::Variant& name, std::string_view column) {
  return name.IsString() ? rt::UCaseEquals(name.AsString(), column) : rt::UCaseEquals(rt::CStr(name), column);
}

// The index of the first name that is the column in any letter case.
std::optional<std::int32_t> IndexOfColumn(const rt::Array& names, std::string_view column) {
  for (std::int32_t i = names.LBound(); i <= names.UBound(); ++i) {
    if (NamesColumn(names.At(i), column)) return i;
  }
  return std::nullopt;
}

rt::DictionaryRef DataObject(const ScriptTable& table, bool keysOnly, const rt::Array& names,
                             const rt::Array& values) {
  auto data = rt::Dictionary::Create();
  data->Add(kKindKey, rt::Variant(table.kind));
  const auto columns = keysOnly ? table.columns.first(table.keyColumns) : table.columns;
  for (const char* column : columns) {
    if (auto index = IndexOfColumn(names, column)) data->Add(column, values.At(*index));
  }
  return data;
}

// Reads and removes the kind entry: the caller's dictionary loses it.
rt::Variant TakeKind(rt::Dictionary& data) {
  const rt::Variant kind = ValueOf(data, kKindKey);
  if (data.Exists(kKindKey)) data.Remove(kKindKey);
  return kind;
}

void RequireFilled(rt::Dictionary& data, std::span<const RequiredField> fields,
                   Findings& findings) {
  for (const RequiredField& field : fields) {
    if (!infra::Val_IsFilled(data, field.column, true)) findings.Add(field.message);
  }
}

// Identifying entries that are present must be filled.
void RequireFilledKeys(rt::Dictionary& data, std::span<const char* const> keys, const char* message,
                       Findings& findings) {
  for (const char* key : keys) {
    if (!infra::Val_IsFilled(data, key)) findings.Add(message);
  }
}

// The euro itself is always stored as euro-participating.
void MarkEuroParticipating(rt::Dictionary& data) {
  if (IsTrue(ValueOf(data, "EURO"))) data.Set("EPC", rt::Variant(true));
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

rt::DictionaryRef KeyDictionary(const rt::Dictionary& data, std::span<const char* const> keys) {
  auto row = rt::Dictionary::Create();
  for (const char* key : keys) row->Add(key, ValueOf(data, key));
  return row;
}

rt::Variant KeyArray(std::span<const char* const> names) { return rt::Variant(TextArray(names)); }

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
  return RunHandled(RulesHandler(method), [&] {
    rt::ObjectRef result;
    for (const ScriptTable& known : kScriptTables) {
      if (known.table != table) continue;
      rt::Variant data(DataObject(known, keysOnly, keys.AsArray(), values.AsArray()));
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
  return RunHandled(RulesHandler(method), [&] {
    const rt::DictionaryRef data = dataObject.As<rt::Dictionary>();
    if (!data) rt::Raise(rt::errnum::kObjectNotSet);
    const rt::Variant kind = TakeKind(*data);
    rt::ObjectRef result;
    if (rt::Equals(kind, rt::Variant(kCurrencyKind))) {
      result = (this->*currencyRule)(*data);
    } else if (rt::Equals(kind, rt::Variant(kRateKind))) {
      result = (this->*rateRule)(*data);
    } else {
      result = Findings().Result();
    }
    infra::Mts_SetComplete();
    return result;
  });
}

rt::ObjectRef TCurrency::InsertCurrencyByRules(rt::Dictionary& data) {
  Findings findings;
  MarkEuroParticipating(data);
  findings.AppendUnlessPassed(
      infra::Val_CheckDataTypes(data, CurrencyTypes().names, CurrencyTypes().types));
  RequireFilled(data, kRequiredCurrencyFields, findings);
  // A Null code is a missing code, reported above; it names no currency.
  const rt::Variant code = ValueOf(data, "CURRENCYCODE");
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
  Findings findings;
  MarkEuroParticipating(data);
  RequireFilledKeys(data, std::span(kCurrencyColumns).first(1), "SLBCO5017", findings);
  RequireFilled(data, std::span(kRequiredCurrencyFields).subspan(1), findings);
  CheckCurrencyFindings(data, kInvalidCurrencyPrefix, findings);
  if (!findings.Passed()) return findings.Result();
  const rt::DictionaryRef keys = KeyDictionary(data, std::span(kCurrencyColumns).first(1));
  return infra::Sql_UpdateTable("CURRENCY", data, *keys, OpenConfiguredConnection());
}

rt::ObjectRef TCurrency::DeleteCurrencyByRules(rt::Dictionary& data) {
  Findings findings;
  for (const TableMessage& user : kCurrencyUsers) {
    contracts::ConnectionRef connection = OpenCurrencyConnection();
    infra::ScopedClose<contracts::ConnectionRef> closing(connection);
    if (infra::Sql_ExistsInTable(user.table, data, rt::Variant("CURRENCYCODE"), "CURRENCYCODE",
                                 connection)) {
      findings.Add(user.message);
    }
  }
  if (findings.Passed() && !CurrencyDelete(rt::CStr(ValueOf(data, "CURRENCYCODE")))) {
    findings.Add("SLBCO4026");
  }
  return findings.Result();
}

rt::ObjectRef TCurrency::InsertRateByRules(rt::Dictionary& data) {
  Findings findings;
  findings.AppendUnlessPassed(
      infra::Val_CheckDataTypes(data, RateTypes().names, RateTypes().types));
  const auto keyColumns = std::span(kRateColumns).first(2);
  RequireFilledKeys(data, keyColumns, kEmptyKey, findings);
  RequireFilledKeys(data, kHomeRateColumn, kEmptyHomeRate, findings);
  if (findings.Passed()) {
    // A rate needs its currency.
    rt::Variant names = KeyArray(keyColumns);
    rt::Variant values(rt::Array({ValueOf(data, "CURRENCYCODE"), ValueOf(data, "EFFECTIVEDATE")}));
    if (!IReferentialIntegrity_Exists("CURRENCYRATE", names, values)) {
      findings.Add(kIntegrityConflict);
    }
  }
  CheckRateFindings(data, true, findings);
  if (!findings.Passed()) return findings.Result();
  return infra::Sql_InsertTable("CURRENCYRATE", *RateRow(data), OpenConfiguredConnection());
}

rt::ObjectRef TCurrency::UpdateRateByRules(rt::Dictionary& data) {
  Findings findings;
  const auto keyColumns = std::span(kRateColumns).first(2);
  RequireFilledKeys(data, keyColumns, kEmptyKey, findings);
  CheckRateFindings(data, false, findings);
  if (!findings.Passed()) return findings.Result();
  return infra::Sql_UpdateTable("CURRENCYRATE", *RateRow(data), *KeyDictionary(data, keyColumns),
                                OpenConfiguredConnection());
}

rt::ObjectRef TCurrency::DeleteRateByRules(rt::Dictionary& data) {
  Findings findings;
  rt::Variant code = ValueOf(data, "CURRENCYCODE");
  rt::Variant effective = ValueOf(data, "EFFECTIVEDATE");
  if (!DeleteCurrencyRate(code, effective)) findings.Add("SLBCO4030");
  return findings.Result();
}

void TCurrency::CheckCurrencyFindings(const rt::Dictionary& data, const char* unmappedPrefix,
                                      Findings& findings) {
  const rt::Variant localeId = ValueOf(data, "LOCALEID");
  current_ = CurrencyValues{ValueOf(data, "CURRENCYCODE"),
                            ValueOf(data, "CURRENCYNAME"),
                            ValueOf(data, "HOMECURRENCY"),
                            ValueOf(data, "EURO"),
                            ValueOf(data, "EPC"),
                            ValueOf(data, "DECIMALS"),
                            localeId.IsEmpty() ? rt::Variant::Null() : localeId};
  try {
    CheckCurrency(current_);
  } catch (...) {
    findings.Add(CurrencyCheckMessage(rt::CurrentError(), unmappedPrefix));
  }
}

void TCurrency::CheckRateFindings(const rt::Dictionary& data, bool isInsert, Findings& findings) {
  RateValues rate{ValueOf(data, "CURRENCYCODE"),
                  ValueOf(data, "EFFECTIVEDATE"),
                  ValueOf(data, "EXPIRYDATE"),
                  ValueOf(data, "HOMESALESRATE"),
                  ValueOf(data, "EUROSALESRATE"),
                  ValueOf(data, "RATEFACTOR"),
                  ValueOf(data, "EPC")};
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
  return RunHandled(RulesHandler(kExistsMethod), [&] {
    const rt::Array& names = keys.AsArray();
    bool exists = false;
    for (std::int32_t i = names.LBound(); i <= names.UBound(); ++i) {
      if (!NamesColumn(names.At(i), "CURRENCYCODE")) continue;
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
