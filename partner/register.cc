#include "partner/register.h"

#include <memory>

#include "partner/business_partner.h"
#include "platform/host/registry.h"

namespace korvo::common {

void RegisterPartnerClasses() {
  host::Registry::Global().Register(
      host::ClassInfo{kBusinessPartnerProgId, host::TransactionAttribute::Required, true,
                      [] { return rt::ObjectRef(std::make_shared<BusinessPartner>()); }});
}

}  // namespace korvo::common
