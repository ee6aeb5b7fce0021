// User attributes with rules of their own: the credit card, the substitutes, and the office columns read for a user.
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace user_members {

void AddDerivedAttributeMembers(Builder&) {}

}  // namespace user_members

}  // namespace korvo::common
