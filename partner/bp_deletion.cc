#include "partner/business_partner.h"
#include "partner/internal/bp_members.h"

namespace korvo::common {

void AddDeletionMembers(PartnerMembers&) {}

}  // namespace korvo::common
