#include "user/project_roles.h"

#include <algorithm>

#include "infrastructure/sql_access.h"
#include "platform/runtime/conversions.h"
#include "user/internal/user_queries.h"

namespace korvo::common {

namespace {

// "'A','B'" for the codes of a directory role list, quotes doubled.
std::string RoleList(const rt::Array& codes) {
  std::string list;
  for (const rt::Variant& code : codes.items) {
    if (!list.empty()) list += ",";
    list += user_queries::Quoted(rt::CStr(code));
  }
  return list;
}

}  // namespace

rt::DictionaryRef ReadProjectRoles(contracts::MembershipUser& user, const std::string& connectionString,
                                   bool readCommitted) {
  auto roles = rt::Dictionary::Create();
  const rt::Array codes = user.ProjectRoles();
  if (codes.items.empty() || codes.items.front().IsEmpty()) return roles;
  contracts::RecordsetRef rows = infra::Sql_GetDisconnectedRecordset(
      "SELECT ROLE, DESCRIPTION FROM ROLE WHERE ROLE IN (" + RoleList(codes) + ") ORDER BY ROLE",
      connectionString, readCommitted);
  infra::ScopedClose<contracts::RecordsetRef> closing(rows);
  for (; !rows->IsEOF(); rows->MoveNext()) roles->Add(rows->Value("ROLE"), rows->Value("DESCRIPTION"));
  return roles;
}

rt::Array WithDefaultRoleFirst(const rt::Dictionary& roles, const std::string& role) {
  rt::Array codes = roles.Keys();
  const rt::Variant chosen(role);
  const auto at = std::find_if(codes.items.begin(), codes.items.end(),
                               [&](const rt::Variant& code) { return rt::Equals(code, chosen); });
  if (at != codes.items.end() && at != codes.items.begin()) std::iter_swap(at, codes.items.begin());
  return codes;
}

}  // namespace korvo::common
