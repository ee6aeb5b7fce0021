#include "infrastructure/user_lib.h"

#include "infrastructure/components.h"
#include "infrastructure/errors.h"
#include "platform/host/object_context.h"
#include "platform/runtime/dictionary.h"
#include "platform/runtime/error.h"

namespace korvo::infra {

std::shared_ptr<contracts::MembershipUser> UL_CreateUO(const std::string& userId) {
  try {
    host::ObjectContext* context = host::GetObjectContext();
    if (!context)
      rt::Raise(rt::errnum::kComponentBase, "Unable to get object context", "KorvoCommon.dll");
    auto user = Gen_GetComponentAs<contracts::MembershipUser>(kMembershipUserProgId);
    const rt::DictionaryRef session = context->Item("Session");
    user->Bind(userId, host::SessionText(*session, "REMOTE_ACCOUNT"),
               host::SessionText(*session, "REMOTE_PASSWORD"));
    return user;
  } catch (...) {
    Err_Handle("Lib_UserLib.UL_CreateUO");
  }
  return nullptr;
}

std::shared_ptr<contracts::MembershipMembers> UL_CreateMO() {
  try {
    return Gen_GetComponentAs<contracts::MembershipMembers>(kMembershipMembersProgId);
  } catch (...) {
    Err_Handle("Lib_UserLib.UL_CreateMO");
  }
  return nullptr;
}

}  // namespace korvo::infra
