// Registration of the terms-and-conditions class with the component host.
#pragma once

namespace korvo::common {

// Registers "KorvoCommon.TermsAndConditions" (a plain component: no
// transaction attribute, no object-control callbacks) in
// host::Registry::Global(), replacing any earlier registration. Idempotent
// and thread-safe.
void RegisterTermsClasses();

}  // namespace korvo::common
