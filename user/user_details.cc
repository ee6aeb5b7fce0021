// Named attributes of a user, existence in the directory, and the commit vote.
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace user_members {

void AddDetailMembers(Builder&) {}

}  // namespace user_members

}  // namespace korvo::common
