// Deleting partners, addresses, customer rows and groups, and answering
// other components whether the keys this class owns exist.
//
// A partner's own rows go with it in the same transaction: its address
// links, its customer row and its group memberships, as the schema's
// references declare them owned. Rows that merely refer to it (a sales
// representative's assignment, an office) make the referential checker
// refuse the delete instead.
#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/rule_findings.h"
#include "infrastructure/script_data_object.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "partner/business_partner.h"
#include "partner/internal/bp_members.h"
#include "partner/internal/bp_script_tables.h"
#include "partner/internal/bp_sql.h"
#include "partner/partner_enumerations.h"
#include "platform/contracts/referential_checker.h"
#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

using bp_sql::Id;
using bp_sql::Quoted;

constexpr const char* kDeleteMethod = "KorvoCommon.BusinessPartner.Delete";
constexpr const char* kRulesDeleteMethod = "KorvoCommon.BusinessPartner.BusinessRules_Delete";

// One of the three single-row deletes.
struct RowDelete {
  const char* table;
  const char* keyColumn;
};
constexpr RowDelete kPartnerDelete{"BUSINESSPARTNER", "BUSINESSPARTNERID"};
constexpr RowDelete kAddressDelete{"ADDRESS", "ADDRESSID"};
constexpr RowDelete kCustomerDelete{"CUSTOMER", "BUSINESSPARTNERID"};

// The rows each parent takes with it, deleted before the parent itself.
struct OwnedRows {
  const char* origin;
  const char* statement;  // the parent's ID is appended
};
constexpr OwnedRows kOwnedRows[] = {
    {"BUSINESSPARTNER", "DELETE FROM BUSINESSPARTNERADDRESS WHERE BUSINESSPARTNERID="},
    {"BUSINESSPARTNER", "DELETE FROM CUSTOMER WHERE BUSINESSPARTNERID="},
    {"BUSINESSPARTNER", "DELETE FROM BPSBYBUSINESSPARTNERGRP WHERE BUSINESSPARTNERID="},
    {"ADDRESS", "DELETE FROM BUSINESSPARTNERADDRESS WHERE ADDRESSID="},
};

// The key a referential question names and the statement that answers it.
std::string ExistsSql(const std::string& key, const std::string& origin, const rt::Variant& raw) {
  const rt::Variant value = raw.IsNull() ? rt::Variant("") : raw;
  if (key == "ADDRESSID") return "SELECT ADDRESSID FROM ADDRESS WHERE ADDRESSID = " + Id(value);
  if (key == "BUSINESSPARTNERID") {
    const char* table = origin == "CUSTOMER" ? "CUSTOMER" : "BUSINESSPARTNER";
    return std::string("SELECT BUSINESSPARTNERID FROM ") + table +
           " WHERE BUSINESSPARTNERID = " + Id(value);
  }
  if (key == "CARRIERCODE") {
    return "SELECT CARRIERCODE FROM TRANSPORTCARRIER WHERE CARRIERCODE = " + Quoted(rt::CStr(value));
  }
  if (key == "COUNTRYCODE") {
    return "SELECT COUNTRYCODE FROM COUNTRY WHERE COUNTRYCODE = " + Quoted(rt::CStr(value));
  }
  return std::string();
}

}  // namespace

bool BusinessPartner::BeforeDelete(const std::string& origin, const rt::Array&,
                                   const rt::Array& values) {
  contracts::ConnectionRef connection;
  try {
    connection = infra::Sql_GetOpenConnection(ConnectionString());
    for (const OwnedRows& owned : kOwnedRows) {
      if (origin == owned.origin) connection->Execute(owned.statement + Id(values.At(values.LBound())));
    }
    infra::Sql_CloseConnection(connection);
    return true;
  } catch (...) {
    const rt::ErrorRecord error = rt::CurrentError();
    infra::ScopedClose<contracts::ConnectionRef>(connection).CloseNow();
    infra::Mts_SetAbort();
    try {
      infra::Err_HandleRecord(error, "KorvoCommon.BusinessPartner.BeforeDelete()");
    } catch (...) {
      // Logged and raised to this object's own deletion, which answers false.
    }
    return false;
  }
}

// The shared sequence of Delete, AddressDelete and CustomerDelete: false when
// the checker or the link removal refuses, the affected rows otherwise.
std::int32_t BusinessPartner::DeleteRow(const char* table, const char* keyColumn, std::int32_t id,
                                        contracts::ConnectionRef& connection) {
  const rt::Array keys({rt::Variant(keyColumn)});
  const rt::Array values({rt::Variant(id)});
  auto checker = infra::Gen_GetComponentAs<contracts::ReferentialChecker>("Korvex.ReferentialChecker");
  if (!checker->CanDeleteInComponent("KorvoCommon", table, keys, values)) return -1;
  checker->BeforeDelete(table, keys, values);
  if (!BeforeDelete(table, keys, values)) return -1;
  connection = infra::Sql_GetOpenConnection(ConnectionString());
  std::int32_t affected = 0;
  connection->Execute(
      "DELETE FROM " + std::string(table) + " WHERE " + keyColumn + "=" + std::to_string(id), {},
      &affected);
  return affected;
}

bool BusinessPartner::Delete(std::int32_t& iBPID) {
  contracts::ConnectionRef connection;
  const bool deleted = infra::RunHandled(infra::AbortingHandler(kDeleteMethod), connection, [&] {
    const std::int32_t affected =
        DeleteRow(kPartnerDelete.table, kPartnerDelete.keyColumn, iBPID, connection);
    if (affected == 0) {
      rt::Raise(bp::BusinessPartnerNotFound, "BusinessPartner not present", kDeleteMethod);
    }
    return affected > 0;
  });
  return FinishDelete(deleted, connection);
}

bool BusinessPartner::AddressDelete(std::int32_t& iAddressID) {
  return QuietDelete(kAddressDelete.table, kAddressDelete.keyColumn, iAddressID);
}

bool BusinessPartner::CustomerDelete(std::int32_t iBPID) {
  return QuietDelete(kCustomerDelete.table, kCustomerDelete.keyColumn, iBPID);
}

bool BusinessPartner::QuietDelete(const char* table, const char* keyColumn, std::int32_t id) {
  contracts::ConnectionRef connection;
  const bool deleted =
      infra::NeverRaising(false, [&] { return DeleteRow(table, keyColumn, id, connection) > 0; });
  return FinishDelete(deleted, connection);
}

bool BusinessPartner::FinishDelete(bool deleted, contracts::ConnectionRef& connection) {
  infra::ScopedClose<contracts::ConnectionRef>(connection).CloseNow();
  if (deleted) {
    infra::Mts_SetComplete();
  } else {
    infra::Mts_SetAbort();
  }
  return deleted;
}

bool BusinessPartner::IReferentialIntegrity_Exists(const std::string& origin, rt::Variant& keys,
                                                   rt::Variant& values) {
  return infra::RunHandled(
      infra::AbortingHandler("KorvoCommon.BusinessPartner.IReferentialIntegrity_Exists()"), [&] {
        if (!keys.IsArray()) return true;
        const rt::Array& names = keys.AsArray();
        for (std::int32_t i = names.LBound(); i <= names.UBound(); ++i) {
          const std::string sql =
              ExistsSql(rt::UCase(rt::CStr(names.At(i))), origin, values.AsArray().At(i));
          if (!sql.empty()) return bp_sql::Exists(sql, ConnectionString());
        }
        return true;
      });
}

bool BusinessPartner::IReferentialIntegrity_BeforeDelete(const std::string&, rt::Variant&,
                                                         rt::Variant&) {
  Release();
  return true;
}

rt::ObjectRef BusinessPartner::BusinessRules_Delete(rt::Variant& dataObject) {
  return infra::RunHandled(infra::AbortingHandler(kRulesDeleteMethod), [&] {
    rt::Dictionary& data = infra::RequireDataObject(dataObject);
    infra::Findings findings;
    const std::string kind = infra::Gen_NullToString(infra::TakeKind(data));
    const auto idOf = [&data](const char* key) { return rt::CLng(infra::ValueOf(data, key)); };
    if (kind == bp_script::kPartnerKind) {
      std::int32_t id = idOf("BUSINESSPARTNERID");
      if (!Delete(id)) findings.Add("SLBBR0000");
    } else if (kind == bp_script::kAddressKind) {
      std::int32_t id = idOf("ADDRESSID");
      if (!AddressDelete(id)) findings.Add("SLBBR0001");
    } else if (kind == bp_script::kCustomerKind) {
      if (!CustomerDelete(idOf("BUSINESSPARTNERID"))) findings.Add("SLBBR0002");
    } else if (kind == bp_script::kGroupKind) {
      DeleteGroup(data, findings);
    }
    infra::Mts_SetComplete();
    return findings.Result();
  });
}

void BusinessPartner::DeleteGroup(rt::Dictionary& data, infra::Findings& findings) {
  const rt::Variant key("BUSINESSPARTNERGRPID");
  // The ID goes into the statement unquoted: refuse anything but a whole
  // number before either statement runs.
  const std::string id = Id(infra::ValueOf(data, "BUSINESSPARTNERGRPID"));
  contracts::ConnectionRef connection = infra::Sql_GetOpenConnection(ConnectionString());
  infra::ScopedClose<contracts::ConnectionRef> close(connection);
  if (infra::Sql_FieldExistsInTable("BPSBYBUSINESSPARTNERGRP", data, key, connection)) {
    findings.Add("SLBBR1050");
    return;
  }
  close.CloseNow();
  const std::string sql = "DELETE FROM BUSINESSPARTNERGROUP WHERE BUSINESSPARTNERGRPID=" + id;
  if (bp_sql::Execute(sql, ConnectionString()) == 0) {
    rt::Raise(bp::BusinessPartnerNotFound, "Business Partner Group not found", kRulesDeleteMethod);
  }
}

rt::ObjectRef BusinessPartner::DeleteFromScript(std::string iTableName, rt::Variant& iKeys,
                                                rt::Variant& iValues) {
  return infra::RunHandled(infra::AbortingHandler("KorvoCommon.BusinessPartner.DeleteFromScript"), [&] {
    rt::ObjectRef result;
    if (const infra::ScriptTable* table = infra::FindScriptTable(bp_script::kScriptTables, iTableName)) {
      rt::Variant data(infra::BuildDataObject(*table, true, iKeys.AsArray(), iValues.AsArray()));
      result = BusinessRules_Delete(data);
    }
    infra::Mts_SetComplete();
    return result;
  });
}

void AddDeletionMembers(PartnerMembers& members) {
  using BP = BusinessPartner;
  members.Method("DeleteFromScript", &BP::DeleteFromScript)
      .Method("Delete", &BP::Delete)
      .Method("AddressDelete", &BP::AddressDelete)
      .Method("CustomerDelete", &BP::CustomerDelete);
}

}  // namespace korvo::common
