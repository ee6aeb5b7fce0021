// Paged listings of partners, customers and addresses. Not built yet: every
// listing fails with -1 until the paging work lands.
#include "partner/business_partner.h"
#include "partner/internal/bp_members.h"
#include "platform/runtime/error.h"

namespace korvo::common {

namespace {
[[noreturn]] void NotBuiltYet() { rt::Raise(-1, "not built yet"); }
}  // namespace

rt::ObjectRef BusinessPartner::GetAllAddresses() { NotBuiltYet(); }
rt::ObjectRef BusinessPartner::GetAddressData(const rt::Variant&, std::string, std::int16_t,
                                              std::optional<rt::Variant>,
                                              std::optional<std::string>) {
  NotBuiltYet();
}
rt::ObjectRef BusinessPartner::GetBusinessPartnerData(const rt::Variant&, std::string,
                                                      std::int16_t, bool, bool,
                                                      std::optional<rt::Variant>,
                                                      std::optional<std::string>) {
  NotBuiltYet();
}
rt::ObjectRef BusinessPartner::GetBusinessPartnerNames(const rt::Variant&, std::string,
                                                       std::int16_t, bool, bool,
                                                       std::optional<rt::Variant>) {
  NotBuiltYet();
}
rt::ObjectRef BusinessPartner::GetCustomerData(const rt::Variant&, std::string, std::int16_t,
                                               bool, bool, std::optional<rt::Variant>,
                                               std::optional<std::string>) {
  NotBuiltYet();
}
rt::ObjectRef BusinessPartner::GetAllCustomersFromBP() { NotBuiltYet(); }
rt::ObjectRef BusinessPartner::GetBusinessPartnersLimited(const rt::Variant&, std::string,
                                                          std::int16_t, bool, bool,
                                                          std::optional<rt::Variant>,
                                                          std::optional<std::string>) {
  NotBuiltYet();
}
rt::ObjectRef BusinessPartner::GetAllBusinessPartners(std::int32_t, std::int32_t,
                                                      std::optional<rt::Variant>) {
  NotBuiltYet();
}
rt::ObjectRef BusinessPartner::GetBusinessPartners(std::optional<rt::Variant>) { NotBuiltYet(); }

std::string BusinessPartner::AppendCondition(const std::string& statement,
                                             const std::string& condition) {
  const char* joint = statement.find("WHERE") == std::string::npos ? " WHERE (" : " AND (";
  return statement + joint + condition + ")";
}

void AddListingMembers(PartnerMembers& members) {
  members.Method("GetAllAddresses", &BusinessPartner::GetAllAddresses)
      .Method("GetAddressData", &BusinessPartner::GetAddressData)
      .Method("GetBusinessPartnerData", &BusinessPartner::GetBusinessPartnerData)
      .Method("GetBusinessPartnerNames", &BusinessPartner::GetBusinessPartnerNames)
      .Method("GetCustomerData", &BusinessPartner::GetCustomerData)
      .Method("GetAllCustomersFromBP", &BusinessPartner::GetAllCustomersFromBP)
      .Method("GetBusinessPartnersLimited", &BusinessPartner::GetBusinessPartnersLimited)
      .Method("GetAllBusinessPartners", &BusinessPartner::GetAllBusinessPartners)
      .Method("GetBusinessPartners", &BusinessPartner::GetBusinessPartners);
}

}  // namespace korvo::common
