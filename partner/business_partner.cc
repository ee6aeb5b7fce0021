// BusinessPartner's life cycle: construction, activation, the connection
// string, and the dispatch table joined from the concerns' member lists.
#include "partner/business_partner.h"

#include "infrastructure/components.h"
#include "infrastructure/interface_members.h"
#include "infrastructure/method_guard.h"
#include "partner/internal/bp_members.h"

namespace korvo::common {

namespace {
constexpr const char* kConnectionStringMethod = "KorvoCommon.BusinessPartner.ConnectionString";
constexpr const char* kActivateMethod = "KorvoCommon.BusinessPartner.ObjectControl_Activate";
}  // namespace

BusinessPartner::BusinessPartner() = default;

const std::string& BusinessPartner::ConnectionString() const {
  return infra::ConnectionStringApplicationFirst(kConnectionStringMethod);
}

void BusinessPartner::ClearCurrent() {
  current_ = Current{};
  current_.id = -1;
}

void BusinessPartner::ObjectControl_Activate() {
  infra::RunHandled({kActivateMethod, infra::FailureInfo::None}, [&] { ClearCurrent(); });
}

void BusinessPartner::ObjectControl_Deactivate() { fieldnames_.reset(); }

void BusinessPartner::Release() { infra::Mts_SetComplete(); }

// The framework interfaces' members, named by the one helper per interface
// every class shares; their code lives with the concern it serves.
void AddControlMembers(PartnerMembers& members) {
  members.Method("Release", &BusinessPartner::Release);
  infra::AddBusinessRulesMembers(members);
  infra::AddReferentialIntegrityMembers(members);
  infra::AddObjectControlMembers(members);
}

const host::DispatchTable& BusinessPartner::Dispatch() const {
  static const host::DispatchTable table = [] {
    PartnerMembers members = host::DispatchTable::For<BusinessPartner>();
    AddAddressMembers(members);
    AddLookupMembers(members);
    AddListingMembers(members);
    AddGroupMembers(members);
    AddMaintenanceMembers(members);
    AddDeletionMembers(members);
    AddControlMembers(members);
    return members.Build();
  }();
  return table;
}

}  // namespace korvo::common
