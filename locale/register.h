// Registration of the locale class with the component host.
#pragma once

namespace korvo::common {

// Registers "KorvoCommon.Locale" (a plain component: no transaction
// attribute, no object-control callbacks) in host::Registry::Global(),
// replacing any earlier registration. Idempotent and thread-safe.
void RegisterLocaleClasses();

}  // namespace korvo::common
