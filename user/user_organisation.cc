// Organisation look-ups: employees, departments, warehouses, workcentres and cost centres.
#include "user/internal/user_members.h"
#include "user/user.h"

namespace korvo::common {

namespace user_members {

void AddOrganisationMembers(Builder&) {}

}  // namespace user_members

}  // namespace korvo::common
