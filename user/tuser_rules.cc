// TUser's script methods and business rules: office writes are checked
// field by field, every failed check adds its message code, and the office
// row is written only when none failed; offices and directory users are
// deleted through the same protocol.
#include <optional>
#include <span>
#include <string>

#include "infrastructure/components.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/rule_findings.h"
#include "infrastructure/script_data_object.h"
#include "infrastructure/sql_build.h"
#include "infrastructure/validate.h"
#include "platform/contracts/database.h"
#include "platform/runtime/conversions.h"
#include "user/internal/tuser_office.h"
#include "user/internal/tuser_support.h"
#include "user/tuser.h"
#include "user/user_connection.h"
#include "user/user_enumerations.h"

namespace korvo::common {

namespace {

using namespace tuser;

constexpr const char* kInsertFromScriptMethod = "KorvoCommon.TUser.InsertFromScript";
constexpr const char* kUpdateFromScriptMethod = "KorvoCommon.TUser.UpdateFromScript";
constexpr const char* kDeleteFromScriptMethod = "KorvoCommon.TUser.DeleteFromScript";
// The insert rule reports failures under the stage it was in.
constexpr const char* kRulesInsertMethodPrefix = "KorvoCommon.TUser.BusinessRules_Insert Error Enrich: ";
constexpr const char* kRulesUpdateMethod = "KorvoCommon.TUser.BusinessRules_Update";
constexpr const char* kRulesDeleteMethod = "KorvoCommon.TUser.BusinessRules_Delete";

constexpr std::int16_t kShipToMaxLength = 255;

rt::DictionaryRef DataObjectOf(rt::Variant& dataObject) {
  rt::DictionaryRef data = dataObject.As<rt::Dictionary>();
  if (!data) rt::Raise(rt::errnum::kObjectNotSet);
  return data;
}

bool IsKind(const rt::Variant& kind, const char* expected) {
  return rt::Equals(kind, rt::Variant(expected));
}

// The six property fields and their values, as the reference tests take them.
struct PropertyKeys {
  explicit PropertyKeys(const rt::Dictionary& data) : names(infra::TextArray(PropertyFields())) {
    for (const char* field : PropertyFields()) values.items.push_back(infra::ValueOf(data, field));
  }
  rt::Array names;
  rt::Array values;
};

}  // namespace

// --- Script methods ---

rt::ObjectRef TUser::InsertFromScript(std::string iTableName, rt::Variant& KeyArray,
                                      rt::Variant& ValuesArray) {
  return RunScript(kInsertFromScriptMethod, WriteScriptTables(), iTableName, KeyArray, ValuesArray,
                   false, &TUser::BusinessRules_Insert);
}

rt::ObjectRef TUser::UpdateFromScript(std::string iTableName, rt::Variant& KeyArray,
                                      rt::Variant& ValuesArray) {
  return RunScript(kUpdateFromScriptMethod, WriteScriptTables(), iTableName, KeyArray, ValuesArray,
                   false, &TUser::BusinessRules_Update);
}

rt::ObjectRef TUser::DeleteFromScript(std::string iTableName, rt::Variant& KeyArray,
                                      rt::Variant& ValuesArray) {
  return RunScript(kDeleteFromScriptMethod, DeleteScriptTables(), iTableName, KeyArray, ValuesArray,
                   true, &TUser::BusinessRules_Delete);
}

// Insert and update leave the vote to the rules; a delete votes commit.
rt::ObjectRef TUser::RunScript(const char* method, std::span<const infra::ScriptTable> tables,
                               const std::string& table, rt::Variant& keys, rt::Variant& values,
                               bool isDelete, RulesEntry rules) {
  return infra::RunHandled(infra::AbortingHandler(method), [&] {
    rt::ObjectRef result;
    if (const infra::ScriptTable* known = infra::FindScriptTable(tables, table)) {
      rt::Variant data(infra::BuildDataObject(*known, isDelete, keys.AsArray(), values.AsArray()));
      result = (this->*rules)(data);
    }
    if (isDelete) infra::Mts_SetComplete();
    return result;
  });
}

// --- BusinessRules ---

rt::ObjectRef TUser::BusinessRules_GetInstance(rt::Variant&) { return rt::ObjectRef(); }

rt::ObjectRef TUser::BusinessRules_Insert(rt::Variant& dataObject) {
  stage_ = "";
  try {
    rt::DictionaryRef data = DataObjectOf(dataObject);
    const rt::Variant kind = infra::TakeKind(*data);
    rt::ObjectRef result = IsKind(kind, kOfficeKind) ? InsertOffice(*data) : infra::Findings().Result();
    infra::Mts_SetComplete();
    return result;
  } catch (...) {
    contracts::ConnectionRef none;
    infra::HandleFailure(infra::AbortingHandler(std::string(kRulesInsertMethodPrefix) + stage_), none);
  }
}

rt::ObjectRef TUser::InsertOffice(rt::Dictionary& data) {
  infra::Findings findings;
  stage_ = "Data Type";
  findings.AppendUnlessPassed(
      infra::Val_CheckDataTypes(data, OfficeFieldTypes().names, OfficeFieldTypes().types));
  stage_ = "Domain Check";
  if (!infra::Val_IsFilled(data, kDescriptionField)) findings.Add("SLBBR1004");
  stage_ = "CC Check";
  findings.AppendUnlessPassed(
      infra::Val_CheckCreditCard(data, "CREDITCARDNUMBER", "CREDITCARDTYPE", "CREDITCARDEXPIRY"));
  stage_ = "Max Len";
  if (!infra::Val_IsWithinLength(data, kShipToField, kShipToMaxLength)) findings.Add("SLBBR1007");

  stage_ = "Duplicate";
  bool ok = findings.Passed();
  if (ok) {
    rt::Variant names(rt::Array({rt::Variant(kDescriptionField)}));
    rt::Variant values(rt::Array({infra::ValueOf(data, kDescriptionField)}));
    if (IReferentialIntegrity_Exists("USER", names, values)) {
      findings.Add("SLBBR1008");
      ok = false;
    }
  }
  stage_ = "Cross Component";
  // Only a purchase office charges its purchases to properties.
  if (ok && rt::Equals(infra::ValueOf(data, kOfficeTypeField),
                       rt::Variant(static_cast<std::int16_t>(user::Purchase)))) {
    const PropertyKeys properties(data);
    ok = ReferenceChecker()->ReferencesExistInComponent("KorvoCommon", kOfficeTable, properties.names,
                                                        properties.values);
    if (!ok) findings.Add("SLBBR1025");
  }
  stage_ = "Insert";
  if (!ok) return findings.Result();
  return infra::Sql_InsertTable(kOfficeTable, data, OpenUserClassConnection());
}

rt::ObjectRef TUser::BusinessRules_Update(rt::Variant& dataObject) {
  std::optional<infra::Findings> findings;
  try {
    rt::DictionaryRef data = DataObjectOf(dataObject);
    const rt::Variant kind = infra::TakeKind(*data);
    findings.emplace();
    rt::ObjectRef result =
        IsKind(kind, kOfficeKind) ? UpdateOffice(*data, *findings) : findings->Result();
    infra::Mts_SetComplete();
    return result;
  } catch (...) {
    // A statement the database rejects is a finding, not a failure.
    if (findings && rt::CurrentError().Number == contracts::dberr::kSyntax) {
      findings->Add("SLBGE1120");
      infra::Mts_SetAbort();
      return findings->Result();
    }
    contracts::ConnectionRef none;
    infra::HandleFailure(infra::AbortingHandler(kRulesUpdateMethod), none);
  }
}

rt::ObjectRef TUser::UpdateOffice(rt::Dictionary& data, infra::Findings& findings) {
  findings.AppendUnlessPassed(
      infra::Val_CheckDataTypes(data, OfficeFieldTypes().names, OfficeFieldTypes().types));
  if (!infra::Val_IsFilled(data, kDescriptionField)) findings.Add("SLBBR1012");
  // The description names the office to change; the rest is what changes.
  auto keys = rt::Dictionary::Create();
  keys->Add(kDescriptionField, infra::ValueOf(data, kDescriptionField));
  if (data.Exists(kDescriptionField)) data.Remove(kDescriptionField);
  findings.AppendUnlessPassed(
      infra::Val_CheckCreditCard(data, "CREDITCARDNUMBER", "CREDITCARDTYPE", "CREDITCARDEXPIRY"));
  if (!infra::Val_IsWithinLength(data, kShipToField, kShipToMaxLength)) findings.Add("SLBBR1015");
  if (!findings.Passed()) return findings.Result();

  const PropertyKeys properties(data);
  if (!ReferenceChecker()->ReferencesExist(kOfficeTable, properties.names, properties.values)) {
    findings.Add("SLBBR1026");
    return findings.Result();
  }
  return infra::Sql_UpdateTable(kOfficeTable, data, *keys, OpenUserClassConnection());
}

rt::ObjectRef TUser::BusinessRules_Delete(rt::Variant& dataObject) {
  return infra::RunHandled(infra::AbortingHandler(kRulesDeleteMethod), [&] {
    rt::DictionaryRef data = DataObjectOf(dataObject);
    const rt::Variant kind = infra::TakeKind(*data);
    infra::Findings findings;
    if (IsKind(kind, kOfficeKind)) {
      DeleteOfficeByRules(*data, findings);
    } else if (IsKind(kind, kUserKind)) {
      if (!Delete(infra::Gen_NullToString(infra::ValueOf(*data, kUserIdField)))) {
        findings.Add("SLBBR1020");
      }
    }
    infra::Mts_SetComplete();
    return findings.Result();
  });
}

void TUser::DeleteOfficeByRules(rt::Dictionary& data, infra::Findings& findings) {
  const rt::Variant description = infra::ValueOf(data, kDescriptionField);
  if (!DeleteOffice(infra::Gen_NullToString(description))) {
    findings.Add("SLBBR1023");
    return;
  }
  // The hook hears of the delete after the office row has gone.
  const rt::Array names({rt::Variant(kDescriptionField)});
  const rt::Array values({description});
  if (!ReferenceChecker()->BeforeDelete(kOfficeTable, names, values)) findings.Add("SLBBR1023");
}

}  // namespace korvo::common
