// Offices read for the User class.
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace user_members {

void AddOfficeMembers(Builder&) {}

}  // namespace user_members

}  // namespace korvo::common
