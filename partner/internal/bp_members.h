// The members each concern of BusinessPartner contributes to its dispatch
// table. Every concern file defines its own list next to the methods it
// names, so adding a method touches one file; Dispatch() only joins them.
#pragma once

#include "platform/host/dispatch_table.h"

namespace korvo::common {

class BusinessPartner;
using PartnerMembers = host::DispatchTable::Builder<BusinessPartner>;

void AddLookupMembers(PartnerMembers& members);       // bp_lookups.cc
void AddAddressMembers(PartnerMembers& members);      // bp_addresses.cc
void AddListingMembers(PartnerMembers& members);      // bp_listings.cc
void AddGroupMembers(PartnerMembers& members);        // bp_groups.cc
void AddMaintenanceMembers(PartnerMembers& members);  // bp_maintenance.cc
void AddDeletionMembers(PartnerMembers& members);     // bp_deletion.cc
void AddControlMembers(PartnerMembers& members);      // business_partner.cc

}  // namespace korvo::common
