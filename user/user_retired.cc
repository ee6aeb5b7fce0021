// The write methods the User class still carries from before TUser took over maintenance.
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace user_members {

void AddRetiredMembers(Builder&) {}

}  // namespace user_members

}  // namespace korvo::common
