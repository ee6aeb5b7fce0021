// Registration of the TUser class with the component host.
#pragma once

namespace korvo::common {

// Registers "KorvoCommon.TUser" (transaction required) in
// host::Registry::Global(). Calling it again registers it again, which
// changes nothing. Thread-safe.
void RegisterTUserClass();

}  // namespace korvo::common
