// Project roles and the business processes they grant. A role is a row of
// ROLE: its code, a description and one Boolean column per business
// process. A user holds a list of role codes in the directory, the first
// being the default role.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/user_lib.h"
#include "platform/runtime/conversions.h"
#include "user/internal/id_pages.h"
#include "user/internal/user_members.h"
#include "user/internal/user_queries.h"
#include "user/project_roles.h"
#include "user/table_columns.h"
#include "user/user.h"
#include "user/user_connection.h"
#include "user/user_enumerations.h"

namespace korvo::common {

namespace {

using user_queries::MethodName;
using user_queries::Quoted;

constexpr const char* kValidateSource = "KorvoCommon.User.ValidateBusinessProcess";

// The process columns by the numbers callers test them with (1 to 7).
constexpr std::array<const char*, 7> kProcessColumns = {
    "HOURSREGISTRATION",   "APPROVAL",   "PROJECTHOMEPAGE", "TEAMBOOKING",
    "EXPENSEREGISTRATION", "DATAACCESS", "ERPRELATED"};

// An error the caller handles itself: not logged, the transaction voted
// down.
[[noreturn]] void RaiseStraight(user::EUserErrors number, const std::string& source,
                                const char* description) {
  infra::Mts_SetAbort();
  infra::Err_RaiseRecord(rt::ErrorRecord{number, source, description, "", 0});
}

const char* ProcessColumn(std::int32_t process) {
  if (process < 1 || process > static_cast<std::int32_t>(kProcessColumns.size())) {
    RaiseStraight(user::eBusinessProcessInvalid, kValidateSource, "Invalid Business Process");
  }
  return kProcessColumns[static_cast<std::size_t>(process - 1)];
}

bool IsTrueFlag(const rt::Variant& value) { return !value.IsNullOrEmpty() && rt::CBool(value); }

// A role's row, read on the method's connection (null when there is none).
contracts::RecordsetRef RoleRow(contracts::Connection& connection, const std::string& sql) {
  contracts::RecordsetRef row = connection.Execute(sql, {}, nullptr, 1);
  return row->IsEOF() ? nullptr : row;
}

std::string RoleRowSql(const std::string& role) {
  return "SELECT * FROM ROLE WHERE ROLE=" + Quoted(role);
}

// Adds each process the row grants (a true Boolean field), by its name,
// unless the dictionary has it already.
void AddGrantedProcesses(const contracts::Recordset& row, rt::Dictionary& processes) {
  for (std::int32_t i = 0; i < row.FieldCount(); ++i) {
    const contracts::FieldInfo& field = row.Field(i);
    if (field.type != rt::VarType::Boolean || !IsTrueFlag(row.Value(i))) continue;
    const rt::Variant name(field.name);
    if (!processes.Exists(name)) processes.Add(name, name);
  }
}

// Trims a role value as the role list reads it, keeping Null.
rt::Variant Trimmed(const rt::Variant& value) {
  return value.IsNull() ? value : rt::Variant(rt::Trim(rt::CStr(value)));
}

// "SELECT ROLE FROM ROLE WHERE A = 1 OR B = 1" for the process columns a
// caller names (at least one); each must be a process column of ROLE.
std::string RolesGrantingSql(const rt::Array& names) {
  std::string sql = "SELECT ROLE FROM ROLE WHERE ";
  for (std::size_t i = 0; i < names.items.size(); ++i) {
    const std::string column = rt::CStr(names.items[i]);
    RequireTableColumn("ROLE", column, ColumnKindRequired::Flag);
    sql += column + " = 1" + (i + 1 < names.items.size() ? " OR " : "");
  }
  return sql;
}

}  // namespace

rt::DictionaryRef User::GetAllProjectRoles() {
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::UnvotedHandler(MethodName("GetAllProjectRoles")), connection, [&] {
    connection = OpenUserClassConnection();
    contracts::RecordsetRef rows =
        connection->Execute("SELECT ROLE, DESCRIPTION FROM ROLE ORDER BY ROLE");
    auto roles = rt::Dictionary::Create();
    for (; !rows->IsEOF(); rows->MoveNext()) {
      roles->Add(Trimmed(rows->Value("ROLE")), Trimmed(rows->Value("DESCRIPTION")));
    }
    infra::Sql_CloseConnection(connection);
    return roles;
  });
}

rt::DictionaryRef User::GetProjectRoles(const std::string& i_sUserId) {
  return infra::RunHandled(infra::UnvotedHandler(MethodName("GetProjectRoles:" + i_sUserId)), [&] {
    if (i_sUserId.empty()) {
      infra::Err_RaiseRecord(rt::ErrorRecord{user::eProjectRoleBlank, MethodName("GetProjectRoles"),
                                             "UserID not passed", "", 0});
    }
    return ReadProjectRoles(DirectoryUser(i_sUserId),
                            UserClassConnectionString(kUserConnectionStringMethod), false);
  });
}

std::string User::GetDefaultProjectRole(const std::string& iUserID) {
  if (iUserID.empty()) {
    RaiseStraight(user::eProjectRoleBlank, MethodName("GetDefaultProjectRole"),
                  "Project Role not Passed");
  }
  return infra::RunHandled(infra::UnvotedHandler(MethodName("GetDefaultProjectRole:" + iUserID)), [&] {
    const rt::Array codes = infra::UL_CreateUO(iUserID)->ProjectRoles();
    return codes.items.empty() ? std::string() : rt::CStr(codes.items[0]);
  });
}

void User::SetDefaultProjectRole(const std::string& i_sDefaultRole, const std::string& i_sUserId) {
  infra::RunHandled(infra::UnvotedHandler(MethodName("SetDefaultProjectRole")), [&] {
    rt::DictionaryRef roles = GetProjectRoles(i_sUserId);
    if (!roles->Exists(rt::Variant(i_sDefaultRole))) {
      infra::Err_RaiseRecord(rt::ErrorRecord{user::eProjectRoleNotFound,
                                             MethodName("SetDefaultProjectRole"),
                                             "Project Role Not Present for the User.", "", 0});
    }
    DirectoryUser(i_sUserId).SetProjectRoles(WithDefaultRoleFirst(*roles, i_sDefaultRole));
  });
}

rt::DictionaryRef User::GetBusinessProcessPerRole(const std::string& iRole) {
  contracts::ConnectionRef connection;
  rt::DictionaryRef processes = infra::RunHandled(
      infra::UnvotedHandler(MethodName("GetBusinessProcessPerRole Role: " + iRole)), connection, [&] {
        connection = OpenUserClassConnection();
        contracts::RecordsetRef row = RoleRow(*connection, RoleRowSql(iRole));
        rt::DictionaryRef granted;
        if (row) {
          granted = rt::Dictionary::Create();
          AddGrantedProcesses(*row, *granted);
        }
        infra::Sql_CloseConnection(connection);
        return granted;
      });
  if (!processes) {
    RaiseStraight(user::eProjectRoleNotFound, MethodName("GetBusinessProcessPerRole"),
                  "Project Role Not Found");
  }
  return processes;
}

rt::DictionaryRef User::GetBusinessProcessForUser(const std::string& iUser,
                                                  const std::optional<rt::Variant>& iRole) {
  contracts::ConnectionRef connection;
  return infra::RunHandled(
      infra::UnvotedHandler(MethodName("GetBusinessProcessForUser")), connection, [&] {
        rt::DictionaryRef roles = GetProjectRoles(iUser);
        auto processes = rt::Dictionary::Create();
        std::vector<rt::Variant> asked;
        if (!iRole) {
          for (const auto& entry : roles->Entries()) asked.push_back(entry.key);
        } else if (roles->Exists(*iRole)) {
          asked.push_back(*iRole);
        }
        if (asked.empty()) return processes;
        connection = OpenUserClassConnection();
        for (const rt::Variant& role : asked) {
          if (contracts::RecordsetRef row = RoleRow(*connection, RoleRowSql(rt::CStr(role)))) {
            AddGrantedProcesses(*row, *processes);
          }
        }
        infra::Sql_CloseConnection(connection);
        return processes;
      });
}

bool User::IsValidBusinessProcess(const std::string& iRole, std::int32_t iBusinessProcess) {
  const char* column = ProcessColumn(iBusinessProcess);
  contracts::ConnectionRef connection;
  const std::optional<bool> granted =
      infra::RunHandled(infra::UnvotedHandler(MethodName("IsValidBusinessProcess")), connection, [&] {
        connection = OpenUserClassConnection();
        contracts::RecordsetRef row =
            RoleRow(*connection, "select * from ROLE WHERE ROLE = " + Quoted(rt::Trim(iRole)));
        const std::optional<bool> answer =
            row ? std::optional<bool>(IsTrueFlag(row->Value(column))) : std::nullopt;
        infra::Sql_CloseConnection(connection);
        return answer;
      });
  if (!granted) RaiseStraight(user::eProjectRoleNotFound, kValidateSource, "Project Role Not Found");
  return *granted;
}

bool User::IsValidBusinessProcessForUser(const std::string& iUser, std::int32_t iBusinessProcess,
                                         const std::optional<rt::Variant>& iRole) {
  const char* column = ProcessColumn(iBusinessProcess);
  contracts::ConnectionRef connection;
  return infra::RunHandled(infra::UnvotedHandler(MethodName("IsValidBusinessProcess")), connection, [&] {
    rt::DictionaryRef roles = GetProjectRoles(iUser);
    std::vector<rt::Variant> asked;
    if (!iRole) {
      for (const auto& entry : roles->Entries()) asked.push_back(entry.key);
    } else if (roles->Exists(*iRole)) {
      asked.push_back(*iRole);
    }
    bool granted = false;
    if (!asked.empty()) connection = OpenUserClassConnection();
    for (const rt::Variant& role : asked) {
      contracts::RecordsetRef row = RoleRow(*connection, RoleRowSql(rt::Trim(rt::CStr(role))));
      if (row && IsTrueFlag(row->Value(column))) {
        granted = true;
        break;
      }
    }
    infra::Sql_CloseConnection(connection);
    return granted;
  });
}

// A user holding several of the roles is listed once; a list naming no
// process lists nobody.
rt::DictionaryRef User::GetUsersByBusinessProcess(rt::Variant i_aBusinessProcess,
                                                  rt::Variant& io_vFromUserID,
                                                  const std::optional<rt::Variant>& i_vPageSize) {
  return infra::RunHandled(infra::UnvotedHandler(MethodName("GetUsersByBusinessProcess")), [&] {
    if (!i_aBusinessProcess.IsArray()) rt::Raise(rt::errnum::kTypeMismatch);
    const rt::Array& names = i_aBusinessProcess.AsArray();
    contracts::RecordsetRef roles;
    if (!names.items.empty()) {
      roles = infra::Sql_GetDisconnectedRecordset(
          RolesGrantingSql(names), UserClassConnectionString(kUserConnectionStringMethod));
    }
    auto users = rt::Dictionary::Create();
    for (; roles && !roles->IsEOF(); roles->MoveNext()) {
      rt::Variant from("");
      rt::CollectionRef holders =
          GetUsersByProjectRole(rt::CStr(roles->Value("ROLE")), from, std::nullopt);
      for (const auto& entry : holders->Entries()) {
        if (!users->Exists(entry.item)) users->Add(entry.item, entry.item);
      }
    }
    std::vector<rt::Variant> ids;
    for (const auto& entry : users->Entries()) ids.push_back(entry.key);
    auto page = rt::Dictionary::Create();
    for (const rt::Variant& id : IdPage(ids, io_vFromUserID, i_vPageSize)) page->Add(id, id);
    return page;
  });
}

namespace user_members {

void AddRoleMembers(Builder& table) {
  table.Method("GetAllProjectRoles", &User::GetAllProjectRoles)
      .Method("GetProjectRoles", &User::GetProjectRoles)
      .Method("GetDefaultProjectRole", &User::GetDefaultProjectRole)
      .Method("SetDefaultProjectRole", &User::SetDefaultProjectRole)
      .Method("GetBusinessProcessPerRole", &User::GetBusinessProcessPerRole)
      .Method("GetBusinessProcessForUser", &User::GetBusinessProcessForUser)
      .Method("IsValidBusinessProcess", &User::IsValidBusinessProcess)
      .Method("IsValidBusinessProcessForUser", &User::IsValidBusinessProcessForUser)
      .Method("GetUsersByBusinessProcess", &User::GetUsersByBusinessProcess);
}

}  // namespace user_members

}  // namespace korvo::common
