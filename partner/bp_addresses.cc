#include "partner/business_partner.h"
#include "partner/internal/bp_members.h"

namespace korvo::common {

void AddAddressMembers(PartnerMembers&) {}

}  // namespace korvo::common
