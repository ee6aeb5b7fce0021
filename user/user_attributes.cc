// User attributes read from the membership directory, with the administrative office standing in where the attribute allows it.
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace user_members {

void AddAttributeMembers(Builder&) {}

}  // namespace user_members

}  // namespace korvo::common
