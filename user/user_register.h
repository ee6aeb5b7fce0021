// Registration of the User class with the component host.
#pragma once

namespace korvo::common {

inline constexpr const char* kUserProgId = "KorvoCommon.User";

// Registers "KorvoCommon.User" (transaction not supported) in
// host::Registry::Global(). Calling it again registers it again, which
// changes nothing. Thread-safe.
void RegisterUserClass();

}  // namespace korvo::common
