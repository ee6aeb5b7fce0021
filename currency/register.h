// Registration of the currency classes with the component host.
#pragma once

namespace korvo::common {

// Registers "KorvoCommon.Currency" (transaction not supported, object
// control) and "KorvoCommon.TCurrency" (transaction required) in
// host::Registry::Global(). Calling it again registers them again, which
// changes nothing. Thread-safe.
void RegisterCurrencyClasses();

}  // namespace korvo::common
