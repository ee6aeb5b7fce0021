#include "user/user.h"

#include "user/internal/user_members.h"

namespace korvo::common {

const host::DispatchTable& User::Dispatch() const {
  static const host::DispatchTable table = [] {
    user_members::Builder builder = host::DispatchTable::For<User>();
    user_members::AddAttributeMembers(builder);
    user_members::AddDerivedAttributeMembers(builder);
    user_members::AddDetailMembers(builder);
    user_members::AddOfficeMembers(builder);
    user_members::AddOrganisationMembers(builder);
    user_members::AddRoleMembers(builder);
    user_members::AddListMembers(builder);
    user_members::AddMailMembers(builder);
    user_members::AddRetiredMembers(builder);
    return builder.Build();
  }();
  return table;
}

}  // namespace korvo::common
