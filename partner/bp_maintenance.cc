// Maintenance of partners, addresses, customer rows and groups through the
// script methods and the BusinessRules interface: every rule of a data
// object runs and adds its message code when it fails, and the row is
// written only when none failed.
#include <ctime>
#include <vector>

#include "infrastructure/components.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/rule_findings.h"
#include "infrastructure/script_data_object.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "infrastructure/validate.h"
#include "partner/business_partner.h"
#include "partner/internal/bp_members.h"
#include "partner/internal/bp_script_tables.h"
#include "partner/internal/bp_sql.h"
#include "platform/contracts/configuration.h"
#include "platform/runtime/conversions.h"
#include "platform/runtime/date.h"

namespace korvo::common {

namespace {

using bp_sql::Quoted;
using infra::Findings;

constexpr const char* kRulesInsertMethod = "KorvoCommon.BusinessPartner.BusinessRules_Insert";
constexpr const char* kRulesUpdateMethod = "KorvoCommon.BusinessPartner.BusinessRules_Update";

// The declared field lists the data-type check compares against.
constexpr const char* kPartnerFields[] = {"BUSINESSPARTNERID",
                                          "SHIPPINGADDRESSID",
                                          "POSTALADDRESSID",
                                          "SOLDTOADDRESSID",
                                          "CURRENCYCODE",
                                          "NAME",
                                          "ZRKCUSTOMERCODE",
                                          "ZRKSUPPLIERCODE",
                                          "USERID",
                                          "BUSINESSID",
                                          "PRICINGMETHOD",
                                          "QTXENABLED",
                                          "ORDERREQUESTURL",
                                          "BPURL",
                                          "ZRKCREDITCARDCUSTOMERCODE",
                                          "GLOBALPARTNERCLASSIFICATIONCODE",
                                          "DEFAULTSUPPLIERCODE",
                                          "DUNSNUMBER",
                                          "ISONETIMEBP",
                                          "ISINTERNALBP"};
constexpr const char* kPartnerTypes[] = {"Long",    "Long",    "Long",   "Long",    "String",
                                         "String",  "String",  "String", "String",  "String",
                                         "Integer", "Boolean", "String", "String",  "String",
                                         "String",  "String",  "String", "Boolean", "Boolean"};
constexpr const char* kAddressFields[] = {
    "ADDRESSID", "COUNTRYCODE",   "NAME1",   "NAME2", "STREET1", "STREET2",          "CITY1",
    "CITY2",     "STATEPROVINCE", "ZIPCODE", "PHONE", "FAX",     "SHORTDESCRIPTION", "ZRKADDRESSCODE"};
constexpr const char* kAddressTypes[] = {"Long",   "String", "String", "String", "String",
                                         "String", "String", "String", "String", "String",
                                         "String", "String", "String", "String"};
constexpr const char* kCustomerFields[] = {"BUSINESSPARTNERID", "CUSTOMERNAME", "ORDERDISCOUNTPERC",
                                           "CARRIERCODE"};
constexpr const char* kCustomerTypes[] = {"Long", "String", "Double", "String"};
constexpr const char* kGroupFields[] = {"BUSINESSPARTNERGRPID", "BPGROUPNAME", "BPGROUPDESCRIPTION"};
constexpr const char* kGroupTypes[] = {"Long", "String", "String"};

void CheckTypes(rt::Dictionary& data, std::span<const char* const> fields,
                std::span<const char* const> types, Findings& findings) {
  const infra::DeclaredTypes declared(fields, types);
  findings.AppendUnlessPassed(infra::Val_CheckDataTypes(data, declared.names, declared.types));
}

void RequireFilled(rt::Dictionary& data, const char* field, bool required, const char* code,
                   Findings& findings) {
  if (!infra::Val_IsFilled(data, field, required)) findings.Add(code);
}

void RequireFilledIfPresent(rt::Dictionary& data, const char* field, const char* code,
                            Findings& findings) {
  if (!infra::Val_IsFilled(data, field)) findings.Add(code);
}

// A value given as text: present, and not "" once Null counts as "".
bool IsGiven(const rt::Dictionary& data, const char* field) {
  return !infra::Gen_NullToString(infra::ValueOf(data, field)).empty();
}

rt::Date Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  return *rt::MakeDate({local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, 0, 0, 0});
}

// Whether the installation subscribes to the sales module ("KorvoSales").
bool SalesConfigured() {
  auto configuration = infra::Gen_GetComponentAs<contracts::Configuration>("Korvex.Configuration");
  configuration->Query();
  return configuration->IsSubscribed("KorvoSales");
}

// The pricing-method rule ("SLBBR0022") and the removal of an empty
// PRICINGMETHOD, which then keeps its default or its stored value.
void CheckPricingMethod(rt::Dictionary& data, Findings& findings) {
  const bool sales = SalesConfigured();
  const std::string pricing = infra::Gen_NullToString(infra::ValueOf(data, "PRICINGMETHOD"));
  if (pricing == "2" && sales && !infra::Val_IsFilled(data, "ZRKCREDITCARDCUSTOMERCODE", true) &&
      !infra::Val_IsFilled(data, "ZRKCUSTOMERCODE", true)) {
    findings.Add("SLBBR0022");
  }
  if (pricing.empty() && data.Exists(rt::Variant("PRICINGMETHOD"))) {
    data.Remove(rt::Variant("PRICINGMETHOD"));
  }
}

// The currency-rate rule: a given currency needs a valid rate today, asked
// of KorvoCommon.Currency in this object's transaction.
void CheckCurrencyRate(const rt::Dictionary& data, Findings& findings) {
  if (!IsGiven(data, "CURRENCYCODE")) return;
  rt::ObjectRef currency = infra::Gen_GetComponent("KorvoCommon.Currency");
  std::vector<rt::Variant> args{infra::ValueOf(data, "CURRENCYCODE"), rt::Variant(Today())};
  if (!rt::CBool(currency->Invoke("HasValidCurrencyRate", rt::InvokeKind::Method, args))) {
    findings.Add("SLBBR0026");
  }
}

// Whether another row of `table` holds the data object's value of `column`.
bool TakenOnInsert(const std::string& table, rt::Dictionary& data, const char* column,
                   const std::string& connectionString) {
  if (!IsGiven(data, column)) return false;
  contracts::ConnectionRef connection = infra::Sql_GetOpenConnection(connectionString);
  infra::ScopedClose<contracts::ConnectionRef> close(connection);
  return infra::Sql_FieldExistsInTable(table, data, rt::Variant(column), connection);
}

// The same on update: a row other than the one being updated.
bool TakenOnUpdate(const char* table, const char* keyColumn, const rt::Variant& key,
                   const rt::Dictionary& data, const char* column, const std::string& connectionString) {
  if (!IsGiven(data, column)) return false;
  const std::string sql = std::string("SELECT ") + keyColumn + " FROM " + table + " WHERE NOT " +
                          keyColumn + "=" + std::to_string(rt::CLng(key)) + " AND " + column + "=" +
                          Quoted(rt::CStr(infra::ValueOf(data, column)));
  return infra::Sql_RecordExists(sql, connectionString, false);
}

// Moves the key column from the data object into a key dictionary.
rt::DictionaryRef TakeKey(rt::Dictionary& data, const char* keyColumn) {
  auto keys = rt::Dictionary::Create();
  keys->Add(rt::Variant(keyColumn), infra::ValueOf(data, keyColumn));
  if (data.Exists(rt::Variant(keyColumn))) data.Remove(rt::Variant(keyColumn));
  return keys;
}

// Inserts the data object's columns as a new row and returns the key the
// database gave it.
std::int32_t InsertRow(const std::string& table, const char* keyColumn, const rt::Dictionary& data,
                       const std::string& connectionString) {
  contracts::ConnectionRef connection = infra::Sql_GetOpenConnection(connectionString);
  infra::ScopedClose<contracts::ConnectionRef> close(connection);
  contracts::RecordsetRef row =
      infra::Sql_GetReadonlyRecordset("SELECT * FROM " + table + " WHERE 0=1", *connection);
  row->AddNew();
  for (const auto& entry : data.Entries()) {
    row->SetValue(rt::CStr(entry.key), entry.item.IsNullOrEmpty() ? rt::Variant::Null() : entry.item);
  }
  row->Update();
  const std::int32_t key = rt::CLng(row->Value(keyColumn));
  infra::Sql_CloseConnection(connection);
  return key;
}

rt::ObjectRef Written(Findings& findings, const char* name, std::int32_t key) {
  dynamic_cast<contracts::ResultObject&>(*findings.Result()).SetValue(name, rt::Variant(key));
  return findings.Result();
}

}  // namespace

// --- Script methods ---

rt::ObjectRef BusinessPartner::RunScript(const char* method, const std::string& table, rt::Variant& keys,
                                         rt::Variant& values, RulesEntry rules) {
  return infra::RunHandled(infra::AbortingHandler(method), [&] {
    const infra::ScriptTable* known = infra::FindScriptTable(bp_script::kScriptTables, table);
    // An unknown table has no result to report on.
    if (!known) rt::Raise(rt::errnum::kObjectNotSet);
    rt::Variant data(infra::BuildDataObject(*known, false, keys.AsArray(), values.AsArray()));
    rt::ObjectRef result = (this->*rules)(data);
    const auto* outcome = dynamic_cast<contracts::ResultObject*>(result.get());
    if (outcome && outcome->Succeeded()) {
      infra::Mts_SetComplete();
    } else {
      infra::Mts_SetAbort();
    }
    return result;
  });
}

rt::ObjectRef BusinessPartner::InsertFromScript(std::string iTableName, rt::Variant& iKeys,
                                                rt::Variant& iValues) {
  return RunScript("KorvoCommon.BusinessPartner.InsertFromScript", iTableName, iKeys, iValues,
                   &BusinessPartner::BusinessRules_Insert);
}

rt::ObjectRef BusinessPartner::UpdateFromScript(std::string iTableName, rt::Variant& iKeys,
                                                rt::Variant& iValues) {
  return RunScript("KorvoCommon.BusinessPartner.UpdateFromScript", iTableName, iKeys, iValues,
                   &BusinessPartner::BusinessRules_Update);
}

// --- BusinessRules ---

rt::ObjectRef BusinessPartner::BusinessRules_GetInstance(rt::Variant&) {
  return infra::RunHandled(
      infra::AbortingHandler("KorvoCommon.BusinessPartner.BusinessRules_GetInstance"), [] {
        infra::Mts_SetComplete();
        return rt::ObjectRef();
      });
}

rt::ObjectRef BusinessPartner::BusinessRules_Insert(rt::Variant& dataObject) {
  return ApplyRules(kRulesInsertMethod, dataObject, true);
}

rt::ObjectRef BusinessPartner::BusinessRules_Update(rt::Variant& dataObject) {
  return ApplyRules(kRulesUpdateMethod, dataObject, false);
}

rt::ObjectRef BusinessPartner::ApplyRules(const char* method, rt::Variant& dataObject, bool isInsert) {
  return infra::RunHandled(infra::AbortingHandler(method), [&] {
    rt::Dictionary& data = infra::RequireDataObject(dataObject);
    const std::string kind = infra::Gen_NullToString(infra::TakeKind(data));
    Findings findings;
    rt::ObjectRef result = findings.Result();
    if (kind == bp_script::kPartnerKind) {
      result = isInsert ? InsertPartner(data, findings) : UpdatePartner(data, findings);
    } else if (kind == bp_script::kAddressKind) {
      result = isInsert ? InsertAddress(data, findings) : UpdateAddress(data, findings);
    } else if (kind == bp_script::kCustomerKind) {
      result = isInsert ? InsertCustomer(data, findings) : UpdateCustomer(data, findings);
    } else if (kind == bp_script::kGroupKind) {
      result = isInsert ? InsertGroup(data, findings) : UpdateGroup(data, findings);
    }
    if (findings.Passed()) {
      infra::Mts_SetComplete();
    } else {
      infra::Mts_SetAbort();
    }
    return result;
  });
}

rt::ObjectRef BusinessPartner::InsertPartner(rt::Dictionary& data, Findings& findings) {
  CheckTypes(data, kPartnerFields, kPartnerTypes, findings);
  RequireFilled(data, "NAME", true, "SLBCO2014", findings);
  CheckPricingMethod(data, findings);
  if (TakenOnInsert("BUSINESSPARTNER", data, "BUSINESSID", ConnectionString())) {
    findings.Add("SLBBR0023");
  }
  if (TakenOnInsert("BUSINESSPARTNER", data, "DUNSNUMBER", ConnectionString())) {
    findings.Add("SLBBR0027");
  }
  CheckCurrencyRate(data, findings);
  if (!findings.Passed()) return findings.Result();
  return Written(findings, "BUSINESSPARTNERID",
                 InsertRow("BUSINESSPARTNER", "BUSINESSPARTNERID", data, ConnectionString()));
}

rt::ObjectRef BusinessPartner::UpdatePartner(rt::Dictionary& data, Findings& findings) {
  CheckTypes(data, kPartnerFields, kPartnerTypes, findings);
  RequireFilled(data, "BUSINESSPARTNERID", true, "SLBBR0011", findings);
  rt::DictionaryRef keys = TakeKey(data, "BUSINESSPARTNERID");
  const rt::Variant key = keys->Item(rt::Variant("BUSINESSPARTNERID"));
  RequireFilled(data, "NAME", true, "SLBCO2014", findings);
  CheckPricingMethod(data, findings);
  if (TakenOnUpdate("BUSINESSPARTNER", "BUSINESSPARTNERID", key, data, "BUSINESSID",
                    ConnectionString())) {
    findings.Add("SLBBR0023");
  }
  if (TakenOnUpdate("BUSINESSPARTNER", "BUSINESSPARTNERID", key, data, "DUNSNUMBER",
                    ConnectionString())) {
    findings.Add("SLBBR0027");
  }
  CheckCurrencyRate(data, findings);
  if (!findings.Passed()) return findings.Result();
  return infra::Sql_UpdateTable("BUSINESSPARTNER", data, *keys,
                                infra::Sql_GetOpenConnection(ConnectionString()));
}

void BusinessPartner::CheckAddress(rt::Dictionary& data, bool isInsert, Findings& findings) {
  RequireFilledIfPresent(data, "SHORTDESCRIPTION", isInsert ? "SLBBR0004" : "SLBBR0014", findings);
  RequireFilledIfPresent(data, "COUNTRYCODE", isInsert ? "SLBBR0005" : "SLBBR0015", findings);
  if (!infra::Val_IsPhoneNumber(data, "PHONE", true)) findings.Add("SLBBR0020");
  if (!infra::Val_IsPhoneNumber(data, "FAX", false)) findings.Add("SLBBR0021");
}

rt::ObjectRef BusinessPartner::InsertAddress(rt::Dictionary& data, Findings& findings) {
  CheckTypes(data, kAddressFields, kAddressTypes, findings);
  CheckAddress(data, true, findings);
  if (data.Exists(rt::Variant("SHORTDESCRIPTION"))) {
    contracts::ConnectionRef connection = infra::Sql_GetOpenConnection(ConnectionString());
    infra::ScopedClose<contracts::ConnectionRef> close(connection);
    if (infra::Sql_FieldExistsInTable("ADDRESS", data, rt::Variant("SHORTDESCRIPTION"), connection)) {
      findings.Add("SLBBR0025");
    }
  }
  if (!findings.Passed()) return findings.Result();
  return Written(findings, "ADDRESSID", InsertRow("ADDRESS", "ADDRESSID", data, ConnectionString()));
}

rt::ObjectRef BusinessPartner::UpdateAddress(rt::Dictionary& data, Findings& findings) {
  CheckTypes(data, kAddressFields, kAddressTypes, findings);
  RequireFilled(data, "ADDRESSID", true, "SLBBR0013", findings);
  rt::DictionaryRef keys = TakeKey(data, "ADDRESSID");
  const rt::Variant key = keys->Item(rt::Variant("ADDRESSID"));
  CheckAddress(data, false, findings);
  if (data.Exists(rt::Variant("SHORTDESCRIPTION")) &&
      TakenOnUpdate("ADDRESS", "ADDRESSID", key, data, "SHORTDESCRIPTION", ConnectionString())) {
    findings.Add("SLBBR0025");
  }
  if (!findings.Passed()) return findings.Result();
  return infra::Sql_UpdateTable("ADDRESS", data, *keys,
                                infra::Sql_GetOpenConnection(ConnectionString()));
}

void BusinessPartner::CheckCustomer(rt::Dictionary& data, bool isInsert, Findings& findings) {
  CheckTypes(data, kCustomerFields, kCustomerTypes, findings);
  RequireFilledIfPresent(data, "BUSINESSPARTNERID", isInsert ? "SLBBR0007" : "SLBBR0017", findings);
}

rt::ObjectRef BusinessPartner::InsertCustomer(rt::Dictionary& data, Findings& findings) {
  CheckCustomer(data, true, findings);
  RequireFilledIfPresent(data, "CUSTOMERNAME", "SLBBR0008", findings);
  if (!infra::Val_IsPercentage(data, "ORDERDISCOUNTPERC")) findings.Add("SLBBR0009");
  if (!findings.Passed()) return findings.Result();
  rt::Variant keys(rt::Array({rt::Variant("BUSINESSPARTNERID")}));
  rt::Variant values(rt::Array({infra::ValueOf(data, "BUSINESSPARTNERID")}));
  if (IReferentialIntegrity_Exists("CUSTOMER", keys, values)) {
    findings.Add("SLBBR0010");
    return findings.Result();
  }
  return infra::Sql_InsertTable("CUSTOMER", data, infra::Sql_GetOpenConnection(ConnectionString()));
}

rt::ObjectRef BusinessPartner::UpdateCustomer(rt::Dictionary& data, Findings& findings) {
  CheckCustomer(data, false, findings);
  rt::DictionaryRef keys = TakeKey(data, "BUSINESSPARTNERID");
  RequireFilledIfPresent(data, "CUSTOMERNAME", "SLBBR0018", findings);
  if (!infra::Val_IsPercentage(data, "ORDERDISCOUNTPERC")) findings.Add("SLBBR0019");
  if (!findings.Passed()) return findings.Result();
  return infra::Sql_UpdateTable("CUSTOMER", data, *keys,
                                infra::Sql_GetOpenConnection(ConnectionString()));
}

rt::ObjectRef BusinessPartner::InsertGroup(rt::Dictionary& data, Findings& findings) {
  CheckTypes(data, kGroupFields, kGroupTypes, findings);
  RequireFilled(data, "BPGROUPNAME", true, "SLBBR1051", findings);
  if (findings.Passed() &&
      infra::Sql_RecordExists("SELECT BPGROUPNAME FROM BUSINESSPARTNERGROUP WHERE BPGROUPNAME = " +
                                  Quoted(rt::CStr(infra::ValueOf(data, "BPGROUPNAME"))),
                              ConnectionString(), false)) {
    findings.Add("SLBBR1052");
  }
  if (!findings.Passed()) return findings.Result();
  return infra::Sql_InsertTable("BUSINESSPARTNERGROUP", data,
                                infra::Sql_GetOpenConnection(ConnectionString()));
}

rt::ObjectRef BusinessPartner::UpdateGroup(rt::Dictionary& data, Findings& findings) {
  CheckTypes(data, kGroupFields, kGroupTypes, findings);
  RequireFilled(data, "BUSINESSPARTNERGRPID", true, "SLBBR1053", findings);
  RequireFilled(data, "BPGROUPNAME", true, "SLBBR1051", findings);
  rt::DictionaryRef keys = TakeKey(data, "BUSINESSPARTNERGRPID");
  if (!findings.Passed()) return findings.Result();
  return infra::Sql_UpdateTable("BUSINESSPARTNERGROUP", data, *keys,
                                infra::Sql_GetOpenConnection(ConnectionString()));
}

void AddMaintenanceMembers(PartnerMembers& members) {
  using BP = BusinessPartner;
  members.Method("InsertFromScript", &BP::InsertFromScript)
      .Method("UpdateFromScript", &BP::UpdateFromScript);
}

}  // namespace korvo::common
