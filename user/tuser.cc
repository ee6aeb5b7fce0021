// TUser's typed maintenance: offices deleted by description, the users of
// the membership directory and their per-user data.
#include "user/tuser.h"

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "infrastructure/interface_members.h"
#include "infrastructure/method_guard.h"
#include "infrastructure/sql_access.h"
#include "infrastructure/sql_build.h"
#include "infrastructure/user_lib.h"
#include "platform/contracts/membership.h"
#include "platform/runtime/conversions.h"
#include "user/internal/tuser_office.h"
#include "user/internal/tuser_support.h"
#include "user/internal/user_queries.h"
#include "user/project_roles.h"
#include "user/user_connection.h"
#include "user/user_enumerations.h"

namespace korvo::common {

namespace {

using user_queries::Quoted;

constexpr const char* kDeleteOfficeMethod = "KorvoCommon.TUser.DeleteOffice";
constexpr const char* kSetCompanyNumberMethod = "KorvoCommon.TUser.SetCompanyNumber";
constexpr const char* kSetDefaultProjectRoleMethod = "KorvoCommon.TUser.SetDefaultProjectRole";
constexpr const char* kCreateUserMethod = "KorvoCommon.TUser.CreateUserWithAttributes";
constexpr const char* kDeleteUserMethod = "KorvoCommon.TUser.Delete";
constexpr const char* kDeleteBPSPerUserMethod = "KorvoCommon.TUser.BPSPERUserDelete";
constexpr const char* kInsertBPSPerUserMethod = "KorvoCommon.TUser.InsertBPSPerUser";
constexpr const char* kGetProjectRolesMethod = "KorvoCommon.TUser.GetProjectRoles:";

// A row that should have been there was not: the component base plus 100.
constexpr std::int32_t kNotPresent = kComponentErrorBase + 100;

[[noreturn]] void RaiseUserError(std::int32_t number, const char* source, const char* description) {
  infra::Err_RaiseRecord(rt::ErrorRecord{number, source, description, "", 0});
}

// Runs one write on a connection of its own; the number of rows it changed.
std::int32_t ExecuteWrite(const std::string& sql) {
  contracts::ConnectionRef connection = OpenUserClassConnection();
  infra::ScopedClose<contracts::ConnectionRef> closing(connection);
  std::int32_t affected = 0;
  connection->Execute(sql, {}, &affected);
  closing.CloseNow();
  return affected;
}

}  // namespace

// --- Offices ---

bool TUser::DeleteOffice(std::string iOfficeDescription) {
  return infra::RunHandled(infra::AbortingHandler(kDeleteOfficeMethod), [&] {
    const rt::Array names({rt::Variant(tuser::kDescriptionField)});
    const rt::Array values({rt::Variant(iOfficeDescription)});
    auto checker = tuser::ReferenceChecker();
    if (!checker->CanDeleteInComponent("KorvoCommon", tuser::kOfficeTable, names, values)) {
      infra::Mts_SetAbort();
      return false;
    }
    checker->BeforeDelete(tuser::kOfficeTable, names, values);
    if (ExecuteWrite("DELETE FROM OFFICE WHERE OFFICEDESCRIPTION=" + Quoted(iOfficeDescription)) == 0) {
      RaiseUserError(kNotPresent, kDeleteOfficeMethod, "Office not present");
    }
    infra::Mts_SetComplete();
    return true;
  });
}

// --- Directory users ---

void TUser::SetCompanyNumber(std::string i_sCompanyNumber, std::string i_sUserId) {
  infra::RunHandled(infra::AbortingHandler(kSetCompanyNumberMethod), [&] {
    directoryUser_.For(i_sUserId).SetCompanyNumber(i_sCompanyNumber);
    infra::Mts_SetComplete();
  });
}

rt::DictionaryRef TUser::GetProjectRoles(const std::string& userId) {
  const std::string method = kGetProjectRolesMethod + userId;
  return infra::RunHandled(infra::UnvotedHandler(method), [&] {
    if (userId.empty()) {
      RaiseUserError(user::eProjectRoleBlank, "KorvoCommon.User.GetProjectRoles", "UserID not passed");
    }
    return ReadProjectRoles(directoryUser_.For(userId),
                            UserClassConnectionString(kTUserConnectionStringMethod), true);
  });
}

void TUser::SetDefaultProjectRole(std::string i_sDefaultRole, std::string i_sUserId) {
  infra::RunHandled(infra::AbortingHandler(kSetDefaultProjectRoleMethod), [&] {
    const rt::DictionaryRef roles = GetProjectRoles(i_sUserId);
    if (!roles->Exists(rt::Variant(i_sDefaultRole))) {
      RaiseUserError(user::eProjectRoleNotFound, kSetDefaultProjectRoleMethod,
                     "Project Role Not Present for the User.");
    }
    directoryUser_.For(i_sUserId).SetProjectRoles(WithDefaultRoleFirst(*roles, i_sDefaultRole));
    infra::Mts_SetComplete();
  });
}

rt::ObjectRef TUser::CreateUserWithAttributes(std::string i_sUserName, std::string i_sPassword,
                                              rt::Variant& i_aAttrNames, rt::Variant& i_aAttrValues) {
  return infra::RunHandled(infra::AbortingHandler(kCreateUserMethod), [&] {
    rt::ObjectRef user =
        infra::UL_CreateMO()->CreateUser(i_sUserName, i_sPassword, i_aAttrNames, i_aAttrValues);
    infra::Mts_SetComplete();
    return user;
  });
}

bool TUser::Delete(const std::string& userId) {
  return infra::RunHandled(infra::AbortingHandler(kDeleteUserMethod), [&] {
    const rt::Array names({rt::Variant(tuser::kUserIdField)});
    const rt::Array values({rt::Variant(userId)});
    if (!tuser::ReferenceChecker()->CanDeleteInComponent("KorvoCommon", "USER", names, values)) {
      infra::Mts_SetAbort();
      return false;
    }
    try {
      infra::UL_CreateMO()->DeleteUser(userId);
    } catch (...) {
      // The directory's refusal is the rule's finding; the log keeps why.
      infra::Mts_SetAbort();
      infra::Err_Log(kDeleteUserMethod);
      return false;
    }
    // The partners the user could see go with the user: left behind, they
    // would pass to the next user given the same id. They go after the
    // directory user: the delete rule votes commit even when this delete
    // failed, so rows removed before a refused directory delete would be
    // committed without it.
    ExecuteWrite("DELETE FROM BPSPERUSER WHERE USERID=" + Quoted(userId));
    infra::Mts_SetComplete();
    return true;
  });
}

// --- Business partners a user may see ---

bool TUser::DeleteBPSPerUser(std::string i_sUserId) {
  return infra::RunHandled(infra::AbortingHandler(kDeleteBPSPerUserMethod), [&] {
    ExecuteWrite("DELETE FROM BPSPERUSER WHERE USERID=" + Quoted(i_sUserId));
    infra::Mts_SetComplete();
    return true;
  });
}

bool TUser::InsertBPSPerUser(std::string i_sUserId, rt::Variant& i_vValues, bool i_bDelete) {
  return infra::RunHandled(infra::AbortingHandler(kInsertBPSPerUserMethod), [&] {
    if (i_bDelete) DeleteBPSPerUser(i_sUserId);
    for (const rt::Variant& partner : i_vValues.AsArray().items) {
      // A partner is named by its number, which must be one before it is
      // written into the statement.
      const std::string sql = "INSERT INTO BPSPERUSER VALUES( " + Quoted(i_sUserId) + ", " +
                              Quoted(infra::Sql_IntegerLiteral(partner)) + ")";
      if (ExecuteWrite(sql) == 0) {
        RaiseUserError(kNotPresent, kInsertBPSPerUserMethod, "Cannot insert Business partners for user");
      }
    }
    infra::Mts_SetComplete();
    return true;
  });
}

// --- IReferentialIntegrity's delete hook ---

bool TUser::IReferentialIntegrity_BeforeDelete(const std::string&, rt::Variant&, rt::Variant&) {
  infra::Mts_SetComplete();
  return true;
}

const host::DispatchTable& TUser::Dispatch() const {
  static const host::DispatchTable table = [] {
    auto members = host::DispatchTable::For<TUser>();
    members.Method("InsertFromScript", &TUser::InsertFromScript)
        .Method("UpdateFromScript", &TUser::UpdateFromScript)
        .Method("DeleteFromScript", &TUser::DeleteFromScript)
        .Method("DeleteOffice", &TUser::DeleteOffice)
        .Method("SetCompanyNumber", &TUser::SetCompanyNumber)
        .Method("SetDefaultProjectRole", &TUser::SetDefaultProjectRole)
        .Method("CreateUserWithAttributes", &TUser::CreateUserWithAttributes)
        .Method("InsertBiddingUser", &TUser::InsertBiddingUser)
        .Method("DeleteBPSPerUser", &TUser::DeleteBPSPerUser)
        .Method("InsertBPSPerUser", &TUser::InsertBPSPerUser);
    infra::AddBusinessRulesMembers(members);
    infra::AddReferentialIntegrityMembers(members);
    return members.Build();
  }();
  return table;
}

}  // namespace korvo::common
