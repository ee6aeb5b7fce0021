// Group memberships with their levels, the partners assigned to a sales
// representative, and the cost centres.
#include <functional>

#include "infrastructure/components.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/sql_access.h"
#include "partner/business_partner.h"
#include "partner/internal/bp_members.h"
#include "partner/internal/bp_sql.h"
#include "platform/runtime/conversions.h"

namespace korvo::common {

namespace {

using bp_sql::Quoted;

std::string Number(std::int32_t value) { return std::to_string(value); }

// True (-1) as a Boolean or as a number; nothing else.
bool IsTrueValue(const std::optional<rt::Variant>& flag) {
  if (!flag || flag->IsNullOrEmpty()) return false;
  if (flag->Type() == rt::VarType::Boolean) return flag->AsBool();
  return flag->IsNumeric() && rt::CDbl(*flag) == -1.0;
}

// Any non-zero value.
bool IsNonZero(const std::optional<rt::Variant>& flag) {
  return flag && !flag->IsNullOrEmpty() && rt::CBool(*flag);
}

}  // namespace

bool BusinessPartner::ChangeMembership(const char* method, const std::function<void()>& check,
                                       const std::string& sql) {
  contracts::ConnectionRef connection;
  const std::string context = bp_sql::MethodContext(method);
  return infra::RunHandled(infra::AbortingHandler(context), connection, [&] {
    check();
    connection = infra::Sql_GetOpenConnection(ConnectionString());
    connection->Execute(sql);
    infra::Sql_CloseConnection(connection);
    infra::Mts_SetComplete();
    return true;
  });
}

bool BusinessPartner::AddBPToBPGroup(std::int32_t i_lBPID, std::int32_t i_lBPGrpID,
                                     std::int32_t i_lBPLevel) {
  return ChangeMembership(
      "AddBPToBPGroup",
      [&] {
        bp_sql::RequirePartner(i_lBPID, ConnectionString());
        bp_sql::RequireGroup(i_lBPGrpID, ConnectionString());
      },
      "INSERT INTO BPSBYBUSINESSPARTNERGRP ( BUSINESSPARTNERID, "
      "BUSINESSPARTNERGRPID, BPLEVEL ) VALUES (" +
          Number(i_lBPID) + "," + Number(i_lBPGrpID) + "," + Number(i_lBPLevel) + ")");
}

bool BusinessPartner::RemoveBPFromBPGroup(std::int32_t i_lBPID, std::int32_t i_lBPGrpID) {
  return ChangeMembership(
      "RemoveBPFromBPGroup", [] {},
      "DELETE FROM BPSBYBUSINESSPARTNERGRP WHERE  BUSINESSPARTNERGRPID = " + Number(i_lBPGrpID) +
          " AND BUSINESSPARTNERID = " + Number(i_lBPID));
}

bool BusinessPartner::UpdateBusinessPartnerLevel(std::int32_t i_lBPID, std::int32_t i_lBPGrpID,
                                                 std::int32_t i_lBPLevel) {
  return ChangeMembership(
      "UpdateBusinessPartnerLevel", [] {},
      "UPDATE BPSBYBUSINESSPARTNERGRP SET BPLEVEL = " + Number(i_lBPLevel) +
          " WHERE BUSINESSPARTNERGRPID = " + Number(i_lBPGrpID) +
          " AND BUSINESSPARTNERID = " + Number(i_lBPID));
}

// The membership reads run on the connection string a connection opened
// with the object's own reports.
contracts::RecordsetRef BusinessPartner::ReadMembership(const char* method, const std::string& sql) {
  contracts::ConnectionRef connection;
  const std::string context = bp_sql::MethodContext(method);
  return infra::RunHandled(infra::UnvotedHandler(context), connection, [&] {
    connection = infra::Sql_GetOpenConnection(ConnectionString());
    const std::string reported = connection->ConnectionString();
    infra::Sql_CloseConnection(connection);
    return bp_sql::Read(sql, reported);
  });
}

contracts::RecordsetRef BusinessPartner::GetBusinessPartnersbyBPGroup(
    std::int32_t i_lBPGroupID, std::optional<rt::Variant> i_bName) {
  const std::string group = Number(i_lBPGroupID);
  if (IsTrueValue(i_bName)) {
    return ReadMembership("GetBusinessPartnersbyBPGroup",
                          "SELECT NAME, BPLEVEL FROM BPSBYBUSINESSPARTNERGRP INNER JOIN "
                          "BUSINESSPARTNER ON BPSBYBUSINESSPARTNERGRP.BUSINESSPARTNERID = "
                          "BUSINESSPARTNER.BUSINESSPARTNERID WHERE "
                          "BPSBYBUSINESSPARTNERGRP.BUSINESSPARTNERGRPID = " +
                              group + " ORDER BY NAME ");
  }
  return ReadMembership("GetBusinessPartnersbyBPGroup",
                        "SELECT BUSINESSPARTNERID, BPLEVEL FROM BPSBYBUSINESSPARTNERGRP WHERE "
                        "BUSINESSPARTNERGRPID = " +
                            group + " ORDER BY BUSINESSPARTNERID");
}

contracts::RecordsetRef BusinessPartner::GetBPGroupsbyBusinessPartner(
    std::int32_t i_lBusinessPartnerID, std::optional<rt::Variant>& i_bName) {
  const std::string partner = Number(i_lBusinessPartnerID);
  if (IsNonZero(i_bName)) {
    return ReadMembership("GetBPGroupsbyBusinessPartner",
                          "SELECT BPGROUPNAME FROM BUSINESSPARTNERGROUP T1 INNER JOIN "
                          "BPSBYBUSINESSPARTNERGRP T2 ON T1.BUSINESSPARTNERGRPID = "
                          "T2.BUSINESSPARTNERGRPID WHERE T2.BUSINESSPARTNERID = " +
                              partner + " ORDER BY BPGROUPNAME");
  }
  return ReadMembership("GetBPGroupsbyBusinessPartner",
                        "SELECT BUSINESSPARTNERGRPID FROM BPSBYBUSINESSPARTNERGRP WHERE "
                        "BUSINESSPARTNERID = " +
                            partner + " ORDER BY BUSINESSPARTNERGRPID");
}

bool BusinessPartner::isBusinessPartnerInBPGroup(std::int32_t i_lBusinessPartnerID,
                                                 std::int32_t i_lBPGroupID) {
  return !ReadMembership("isBusinessPartnerInBPGroup ",
                         "SELECT BUSINESSPARTNERID FROM BPSBYBUSINESSPARTNERGRP WHERE "
                         "BUSINESSPARTNERID = " +
                             Number(i_lBusinessPartnerID) +
                             " AND BUSINESSPARTNERGRPID = " + Number(i_lBPGroupID))
              ->IsEOF();
}

rt::DictionaryRef BusinessPartner::GetSalesRepresentativeBPs(std::string i_sUserId) {
  return infra::RunHandled(
      infra::UnvotedHandler("KorvoCommon.BusinessPartner.GetSalesRepresentativeBPs"), [&] {
        contracts::RecordsetRef rows = bp_sql::Read(
            "SELECT BPSPERUSER.BUSINESSPARTNERID AS BUSINESSPARTNERID, BUSINESSPARTNER.NAME AS "
            "NAME  FROM BPSPERUSER, BUSINESSPARTNER WHERE BPSPERUSER.USERID=" +
                Quoted(i_sUserId) +
                "  AND BPSPERUSER.BUSINESSPARTNERID = BUSINESSPARTNER.BUSINESSPARTNERID ",
            ConnectionString());
        auto partners = rt::Dictionary::Create();
        for (; !rows->IsEOF(); rows->MoveNext()) {
          partners->Add(rows->Value("BUSINESSPARTNERID"), rows->Value("NAME"));
        }
        return partners;
      });
}

bool BusinessPartner::IsLinkedBP(std::string i_sUserId, std::int32_t i_lBPID) {
  return !ReadMembership("IsLinkedBP", "SELECT * FROM BPSPERUSER WHERE USERID=" + Quoted(i_sUserId) +
                                           " AND BUSINESSPARTNERID = " + Number(i_lBPID) + " ")
              ->IsEOF();
}

contracts::RecordsetRef BusinessPartner::GetCostCenters() {
  return ReadHandled("GetCostCenters",
                     "SELECT WORKCENTERCODE, ZRKID, WORKCENTERDESCRIPTION from WORKCENTER where "
                     "COSTCENTER = 1");
}

void AddGroupMembers(PartnerMembers& members) {
  using BP = BusinessPartner;
  members.Method("GetSalesRepresentativeBPs", &BP::GetSalesRepresentativeBPs)
      .Method("IsLinkedBP", &BP::IsLinkedBP)
      .Method("AddBPToBPGroup", &BP::AddBPToBPGroup)
      .Method("RemoveBPFromBPGroup", &BP::RemoveBPFromBPGroup)
      .Method("UpdateBusinessPartnerLevel", &BP::UpdateBusinessPartnerLevel)
      .Method("GetBusinessPartnersbyBPGroup", &BP::GetBusinessPartnersbyBPGroup)
      .Method("GetBPGroupsbyBusinessPartner", &BP::GetBPGroupsbyBusinessPartner)
      .Method("isBusinessPartnerInBPGroup", &BP::isBusinessPartnerInBPGroup)
      .Method("GetCostCenters", &BP::GetCostCenters);
}

}  // namespace korvo::common
