// Users listed from the directory, a page at a time.
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace user_members {

void AddListMembers(Builder&) {}

}  // namespace user_members

}  // namespace korvo::common
