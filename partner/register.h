// Registration of the business-partner class with the component host.
#pragma once

namespace korvo::common {

// Registers "KorvoCommon.BusinessPartner" (transaction required, object
// control) in host::Registry::Global(). Calling it again changes nothing.
// Thread-safe.
void RegisterPartnerClasses();

}  // namespace korvo::common
