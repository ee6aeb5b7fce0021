#include "partner/internal/bp_sql.h"

#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "partner/partner_enumerations.h"

namespace korvo::common::bp_sql {

std::string MethodContext(std::string_view method) {
  return "KorvoCommon.BusinessPartner." + std::string(method);
}

std::string Quoted(std::string_view text) { return "'" + infra::Gen_SqlQuote(text) + "'"; }

std::string Containing(std::string_view text) { return "'%" + infra::Gen_SqlLikeEscape(text) + "%'"; }

std::string Id(const rt::Variant& value) { return infra::Sql_IntegerLiteral(value); }
std::string IdList(const rt::Variant& ids) {
  if (!ids.IsArray()) rt::Raise(rt::errnum::kTypeMismatch);
  std::string list;
  for (const rt::Variant& id : ids.AsArray().items) {
    if (!list.empty()) list += ", ";
    list += Id(id);
  }
  return list;
}

contracts::RecordsetRef Read(const std::string& sql, const std::string& connectionString) {
  return infra::Sql_GetDisconnectedRecordset(sql, connectionString, true);
}

bool Exists(const std::string& sql, const std::string& connectionString) {
  return infra::Sql_RecordExists(sql, connectionString, true);
}

namespace {
constexpr const char* kSource = "KorvoCommon.BusinessPartner";
}  // namespace

void RequirePartner(std::int32_t partnerId, const std::string& connectionString) {
  const std::string id = std::to_string(partnerId);
  if (!Exists("SELECT BUSINESSPARTNERID FROM BUSINESSPARTNER WHERE BUSINESSPARTNERID = " + id,
              connectionString)) {
    rt::Raise(BusinessPartnerNotFound, "BusinessPartner " + id + " not found", kSource);
  }
}

void RequireAddress(std::int32_t addressId, const std::string& connectionString) {
  const std::string id = std::to_string(addressId);
  if (!Exists("SELECT ADDRESSID FROM ADDRESS WHERE ADDRESSID = " + id, connectionString)) {
    rt::Raise(AddressNotFound, "Address " + id + " not found", kSource);
  }
}

void RequireGroup(std::int32_t groupId, const std::string& connectionString) {
  if (!Exists("SELECT BUSINESSPARTNERGRPID FROM BUSINESSPARTNERGROUP WHERE BUSINESSPARTNERGRPID = " +
                  std::to_string(groupId),
              connectionString)) {
    rt::Raise(bp::BusinessPartnerNotFound, "Business Partner Group not found", kSource);
  }
}

std::int32_t Execute(const std::string& sql, const std::string& connectionString) {
  contracts::ConnectionRef connection = infra::Sql_GetOpenConnection(connectionString);
  infra::ScopedClose<contracts::ConnectionRef> close(connection);
  std::int32_t affected = 0;
  infra::Sql_RequireConnection(connection).Execute(sql, {}, &affected);
  infra::Sql_CloseConnection(connection);
  return affected;
}

}  // namespace korvo::common::bp_sql
