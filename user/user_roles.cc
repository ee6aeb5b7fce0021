// Project roles and the business processes they grant.
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace user_members {

void AddRoleMembers(Builder&) {}

}  // namespace user_members

}  // namespace korvo::common
